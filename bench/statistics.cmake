# The statistics of a million-point series: adding, analysing, reducing, and the owner's cost
# while the worker analyses.
find_package(benchmark REQUIRED)
add_executable(StatisticsBench StatisticsBench.cpp)
target_link_libraries(StatisticsBench PRIVATE sio_measure benchmark::benchmark sio_warnings)
