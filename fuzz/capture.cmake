sio_add_fuzzer(NAME fuzz_capture SOURCES CaptureFuzz.cpp LIBS freqsim_core
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/capture.dict)
