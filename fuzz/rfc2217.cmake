sio_add_fuzzer(NAME fuzz_rfc2217 SOURCES Rfc2217Fuzz.cpp LIBS sio_dispatch
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/rfc2217.dict)
# A server that never stops sending: what one read holds must not grow with it.
sio_add_fuzzer(NAME fuzz_rfc2217_reader SOURCES Rfc2217ReaderFuzz.cpp LIBS sio_dispatch MEMORY_MB 256
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/rfc2217.dict)
