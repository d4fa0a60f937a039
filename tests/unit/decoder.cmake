sio_add_test(NAME LinkDecoderTest SOURCES LinkDecoderTest.cpp PanelUpdatesTest.cpp KeyGroupsTest.cpp
  LIBS panel_logic LABELS unit TIMEOUT 30)
sio_add_test(NAME SerialDevicesTest SOURCES SerialDevicesTest.cpp LIBS panel_logic LABELS unit TIMEOUT 30)
sio_add_test(NAME LinkHealthTest SOURCES LinkHealthTest.cpp LIBS panel_link LABELS unit TIMEOUT 30)
sio_add_test(NAME OpenFailureTextTest SOURCES OpenFailureTextTest.cpp LIBS panel_link LABELS unit TIMEOUT 30)
