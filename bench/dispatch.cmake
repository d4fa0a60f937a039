# The line's speed (receive, send on the output-free trigger, round trip, idle) through the
# dispatcher and the port, beside a plain POSIX loop on the same kind of pty.
find_package(GTest REQUIRED)
add_executable(DispatchBench DispatchBench.cpp)
target_link_libraries(DispatchBench PRIVATE sio_port GTest::gtest sio_warnings)
target_include_directories(DispatchBench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
