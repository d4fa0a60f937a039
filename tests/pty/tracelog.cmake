# The port's tracing and logging end to end over a pseudo-terminal.
if(TARGET sio_port)
  sio_add_test(NAME TraceLogPortTest SOURCES TraceLogPortTest.cpp
    LIBS sio_port LABELS pty threaded TIMEOUT 60)
endif()
