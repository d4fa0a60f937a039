# The socket device layer against ser2net started by the tests on 127.0.0.1.
sio_add_test(NAME SocketLineTest SOURCES SocketLineTest.cpp DeviceServers.cpp
  LIBS sio_dispatch mqtt_test_support LABELS net threaded TIMEOUT 120)
