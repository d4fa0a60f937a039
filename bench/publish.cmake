# What publishing over MQTT costs the main thread for each measurement.
find_package(benchmark REQUIRED)
add_executable(PublishBench PublishBench.cpp)
target_link_libraries(PublishBench PRIVATE sio_publish benchmark::benchmark sio_warnings)
