# Writes OUTPUT, a header with the program version: VERSION alone, or "VERSION (DESCRIBE)" where
# DESCRIBE is `git describe --tags --always --dirty` when SOURCE_DIR is the top of a git
# checkout.  A source tree without .git (a release tarball), or without git installed, gets
# VERSION alone.  The file is rewritten only when its text changes, so the programs recompile
# only when the version moved.
#   cmake -DVERSION=1.0 -DSOURCE_DIR=<src> -DOUTPUT=<file> -P GenerateVersion.cmake
set(_version "${VERSION}")
# Only SOURCE_DIR's own .git counts: a tarball unpacked inside some other checkout is not that
# checkout's commit.
if(EXISTS "${SOURCE_DIR}/.git")
  find_program(_git git)
  if(_git)
    execute_process(COMMAND ${_git} -C ${SOURCE_DIR} describe --tags --always --dirty
                    OUTPUT_VARIABLE _describe RESULT_VARIABLE _status
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(_status EQUAL 0 AND _describe MATCHES "^[-.+~_0-9A-Za-z]+$")
      set(_version "${VERSION} (${_describe})")
    endif()
  endif()
endif()

set(_text "// Written by cmake/GenerateVersion.cmake at build time.
#pragma once

// The version --version prints: the project version, with the git state it was built from.
inline constexpr char kProjectVersion[] = \"${_version}\";
")
set(_old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" _old)
endif()
if(NOT _old STREQUAL _text)
  file(WRITE "${OUTPUT}" "${_text}")
endif()
