# Trigger delivery latency and the largest input rate a main-thread handler keeps up with.
find_package(GTest REQUIRED)
add_executable(TriggerLatencyBench TriggerLatencyBench.cpp)
target_link_libraries(TriggerLatencyBench PRIVATE sio_dispatch GTest::gtest sio_warnings)
target_include_directories(TriggerLatencyBench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
