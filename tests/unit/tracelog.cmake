sio_add_test(NAME TraceLogTest SOURCES TraceLogTraceTest.cpp TraceLogLogTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
