sio_add_test(NAME TraceLogTest SOURCES TraceLogTraceTest.cpp TraceLogLogTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
sio_add_test(NAME TraceLogAllocTest SOURCES TraceLogAllocTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/CountingNew.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
