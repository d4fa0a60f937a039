sio_add_fuzzer(NAME fuzz_rfc2217 SOURCES Rfc2217Fuzz.cpp LIBS sio_dispatch
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/rfc2217.dict)
