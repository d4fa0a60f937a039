sio_add_test(NAME LinkDecoderTest SOURCES LinkDecoderTest.cpp KeyGroupsTest.cpp
  LIBS panel_logic LABELS unit TIMEOUT 30)
