sio_add_test(NAME PlatformBaseTest SOURCES PlatformBaseTest.cpp
  LIBS sio_platform LABELS unit TIMEOUT 30)
sio_add_test(NAME PlatformSyncTest SOURCES PlatformSyncTest.cpp
  LIBS sio_platform LABELS threaded TIMEOUT 60)
sio_add_test(NAME PlatformMessagesTest SOURCES PlatformMessagesTest.cpp
  LIBS sio_platform LABELS threaded TIMEOUT 60)
sio_add_test(NAME PlatformThreadTest SOURCES PlatformThreadTest.cpp
  LIBS sio_platform LABELS threaded TIMEOUT 60)
