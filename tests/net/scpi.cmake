# The SCPI server in-process: real sockets on 127.0.0.1, commands on the main thread's queue.
sio_add_test(NAME ScpiServerTest SOURCES ScpiServerTest.cpp LIBS sio_remote sio_platform LABELS net threaded TIMEOUT 60)
