# One measurement from a decoded frame through the model, the CSV writer and the publisher; the
# arrival marks of the input ring.
find_package(benchmark REQUIRED)
add_executable(MeasureBench MeasureBench.cpp)
target_link_libraries(MeasureBench PRIVATE sio_measure sio_publish sio_dispatch benchmark::benchmark sio_warnings)
