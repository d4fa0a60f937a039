sio_add_test(NAME ProbeTest SOURCES ProbeTest.cpp LIBS sio_port LABELS pty)
