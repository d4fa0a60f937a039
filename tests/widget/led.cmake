sio_add_test(NAME ALedTest SOURCES ALedTest.cpp ALedFloodFillTest.cpp
  LIBS sio_led Qt6::Test LABELS widget QT)
sio_add_test(NAME ALedImagesTest SOURCES ALedImagesTest.cpp
  LIBS panel_images sio_led Qt6::Gui LABELS widget QT)
