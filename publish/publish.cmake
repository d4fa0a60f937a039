# sio_publish: measurements published over MQTT (libmosquitto), as JSON messages with the CSV
# row's fields.  Plain C++: no Qt, no port.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MOSQUITTO REQUIRED IMPORTED_TARGET libmosquitto)
find_package(Threads REQUIRED)
add_library(sio_publish STATIC ReadingJson.cpp MqttPublisher.cpp TopicName.cpp)
target_include_directories(sio_publish PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(sio_publish PUBLIC sio_measure PRIVATE PkgConfig::MOSQUITTO Threads::Threads sio_warnings)
set_target_properties(sio_publish PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
