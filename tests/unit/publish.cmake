# The published form of a measurement (plain logic).
sio_add_test(NAME ReadingJsonTest SOURCES ReadingJsonTest.cpp LIBS sio_publish LABELS unit TIMEOUT 30)
# The topic prefix check, against libmosquitto's own.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MOSQUITTO_UNIT REQUIRED IMPORTED_TARGET libmosquitto)
sio_add_test(NAME MqttTopicTest SOURCES MqttTopicTest.cpp LIBS sio_publish PkgConfig::MOSQUITTO_UNIT LABELS unit TIMEOUT 30)
