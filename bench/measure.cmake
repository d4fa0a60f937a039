# One measurement from a decoded frame through the model and the CSV writer.
find_package(benchmark REQUIRED)
add_executable(MeasureBench MeasureBench.cpp)
target_link_libraries(MeasureBench PRIVATE sio_measure benchmark::benchmark sio_warnings)
