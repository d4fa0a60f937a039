# Receive throughput, latency and idle cost of the dispatcher beside a plain POSIX loop.
find_package(GTest REQUIRED)
add_executable(DispatchBench DispatchBench.cpp)
target_link_libraries(DispatchBench PRIVATE sio_dispatch GTest::gtest sio_warnings)
target_include_directories(DispatchBench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
