# The stability analysis of a million measurements: CPU time of the deviations with intervals.
add_executable(StabilityBench StabilityBench.cpp)
target_link_libraries(StabilityBench PRIVATE sio_measure sio_warnings)
