sio_add_test(NAME SioStrResTest SOURCES SioStrResTest.cpp
  LIBS sio_base LABELS unit TIMEOUT 30)
sio_add_test(NAME SioExceptTest SOURCES SioExceptTest.cpp
  LIBS sio_base LABELS unit TIMEOUT 30)
sio_add_test(NAME SioMiscTest SOURCES SioMiscTest.cpp
  LIBS sio_base LABELS unit TIMEOUT 30)
