# Run by CPack on the staged package before it is packed: takes the compiler's .comment and
# .note sections out of the programs, as Debian's own packaging does (CPACK_STRIP_FILES has
# stripped the symbols already).
find_program(_strip NAMES strip REQUIRED)
file(GLOB_RECURSE _staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
set(_stripped 0)
foreach(_file IN LISTS _staged)
  if(NOT _file MATCHES "/bin/[^/]+$")
    continue()
  endif()
  execute_process(COMMAND ${_strip} --remove-section=.comment --remove-section=.note ${_file}
                  RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "strip-notes: cannot strip ${_file}")
  endif()
  math(EXPR _stripped "${_stripped} + 1")
endforeach()
if(_stripped EQUAL 0)
  message(FATAL_ERROR "strip-notes: no program found under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
