sio_add_fuzzer(NAME fuzz_link_decoder SOURCES LinkDecoderFuzz.cpp LIBS panel_logic
  DICT ${CMAKE_CURRENT_SOURCE_DIR}/dicts/link_decoder.dict)
