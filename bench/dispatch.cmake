# Receive throughput, latency and idle cost of the dispatcher beside a plain POSIX loop.
add_executable(DispatchBench DispatchBench.cpp)
target_link_libraries(DispatchBench PRIVATE sio_dispatch sio_warnings)
