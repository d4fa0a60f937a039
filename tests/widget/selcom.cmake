sio_add_test(NAME SelComTest SOURCES SelComTest.cpp
  LIBS sio_portui Qt6::Test LABELS widget QT)
