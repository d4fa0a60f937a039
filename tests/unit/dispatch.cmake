sio_add_test(NAME DispatchTermiosTest SOURCES DispatchTermiosTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
sio_add_test(NAME DispatchCoreTest SOURCES DispatchCoreTest.cpp ArrivalTimesTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
sio_add_test(NAME SocketCodecTest SOURCES SocketCodecTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
sio_add_test(NAME SioRingsTest SOURCES SioRingsTest.cpp DeliveryLedgerTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
