# The MQTT publisher against a real broker (mosquitto) started by the tests on 127.0.0.1.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MOSQUITTO_TEST REQUIRED IMPORTED_TARGET libmosquitto)
add_library(mqtt_test_support STATIC MqttTestSupport.cpp)
target_include_directories(mqtt_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR})
target_link_libraries(mqtt_test_support PUBLIC PkgConfig::MOSQUITTO_TEST GTest::gtest PRIVATE sio_warnings)
sio_add_test(NAME PublisherTest SOURCES PublisherTest.cpp
  LIBS sio_publish mqtt_test_support LABELS net threaded TIMEOUT 120)
