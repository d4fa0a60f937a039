# Seeded with the program's own tables, made from resources/strings by the build.
set(_tables ${CMAKE_CURRENT_BINARY_DIR}/seeds/fuzz_string_table)
add_custom_command(
  OUTPUT ${_tables}/messages.str0 ${_tables}/reader.str0
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_tables}
  COMMAND $<TARGET_FILE:mkstrtable> --binary ${_tables}/messages.str0
          ${PROJECT_SOURCE_DIR}/resources/strings/messages.txt
  COMMAND $<TARGET_FILE:mkstrtable> --binary ${_tables}/reader.str0
          ${PROJECT_SOURCE_DIR}/resources/strings/reader.txt
  DEPENDS mkstrtable ${PROJECT_SOURCE_DIR}/resources/strings/messages.txt
          ${PROJECT_SOURCE_DIR}/resources/strings/reader.txt
  VERBATIM)
add_custom_target(fuzz_string_table_seeds DEPENDS ${_tables}/messages.str0 ${_tables}/reader.str0)
sio_add_fuzzer(NAME fuzz_string_table SOURCES StringTableFuzz.cpp LIBS sio_common
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/string_table.dict
  EXTRA_SEEDS ${_tables} DEPENDS fuzz_string_table_seeds)
