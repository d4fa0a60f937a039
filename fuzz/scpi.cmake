sio_add_fuzzer(NAME fuzz_scpi SOURCES ScpiFuzz.cpp LIBS sio_remote DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/scpi.dict)
