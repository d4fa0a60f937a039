find_package(benchmark REQUIRED)
add_executable(TraceLogBench TraceLogBench.cpp)
target_link_libraries(TraceLogBench PRIVATE sio_dispatch benchmark::benchmark sio_warnings)
