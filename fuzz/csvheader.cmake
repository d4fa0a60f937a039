sio_add_fuzzer(NAME fuzz_csv_header SOURCES CsvHeaderFuzz.cpp LIBS sio_measure
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/csv_header.dict)
