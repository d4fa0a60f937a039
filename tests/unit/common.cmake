sio_add_test(NAME SioStrResTest SOURCES SioStrResTest.cpp
  LIBS sio_common LABELS unit TIMEOUT 30)
sio_add_test(NAME SioExceptTest SOURCES SioExceptTest.cpp
  LIBS sio_common LABELS unit TIMEOUT 30)
sio_add_test(NAME SioMiscTest SOURCES SioMiscTest.cpp
  LIBS sio_common LABELS unit TIMEOUT 30)
sio_add_test(NAME SioStrTableToolTest SOURCES SioStrTableToolTest.cpp
  LIBS sio_common LABELS unit TIMEOUT 30)
target_compile_definitions(SioStrTableToolTest PRIVATE MKSTRTABLE_PATH="$<TARGET_FILE:mkstrtable>")
add_dependencies(SioStrTableToolTest mkstrtable)
sio_add_test(NAME SioStrResThreadTest SOURCES SioStrResThreadTest.cpp
  LIBS sio_common LABELS threaded TIMEOUT 60)
