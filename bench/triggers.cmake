# Trigger delivery latency and the largest input rate a main-thread handler keeps up with.
add_executable(TriggerLatencyBench TriggerLatencyBench.cpp)
target_link_libraries(TriggerLatencyBench PRIVATE sio_dispatch sio_warnings)
