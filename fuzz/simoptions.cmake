sio_add_fuzzer(NAME fuzz_sim_options SOURCES SimOptionsFuzz.cpp LIBS freqsim_core
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/sim_options.dict)
