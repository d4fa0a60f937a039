sio_add_fuzzer(NAME fuzz_trace_log SOURCES TraceLogFuzz.cpp LIBS sio_dispatch)
