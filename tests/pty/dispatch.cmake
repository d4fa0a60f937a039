sio_add_test(NAME DispatchIoTest SOURCES DispatchIoTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
sio_add_test(NAME DispatchSettingsTest SOURCES DispatchSettingsTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
sio_add_test(NAME DispatchFaultTest SOURCES DispatchFaultTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
sio_add_test(NAME DispatchCycleTest SOURCES DispatchCycleTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
sio_add_test(NAME DispatchCloseTest SOURCES DispatchCloseTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
sio_add_test(NAME DispatchModemTest SOURCES DispatchModemTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
