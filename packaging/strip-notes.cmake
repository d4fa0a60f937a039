# Run by CPack on the staged package before it is packed: takes the compiler's .comment and
# .note sections out of the programs, as Debian's own packaging does (CPACK_STRIP_FILES has
# stripped the symbols already).
find_program(_strip NAMES strip REQUIRED)
file(GLOB_RECURSE _programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(_program IN LISTS _programs)
  execute_process(COMMAND ${_strip} --remove-section=.comment --remove-section=.note ${_program}
                  RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "strip-notes: cannot strip ${_program}")
  endif()
endforeach()
