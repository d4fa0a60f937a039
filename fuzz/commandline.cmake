sio_add_fuzzer(NAME fuzz_command_line SOURCES CommandLineFuzz.cpp LIBS panel_logic
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/command_line.dict)
