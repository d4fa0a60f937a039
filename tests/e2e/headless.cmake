# The headless logger as a program against the simulator, and the program's start without a
# display; the program's threads run under the ThreadSanitizer build too.
sio_add_test(NAME HeadlessLoggerTest
  SOURCES HeadlessLoggerTest.cpp ${PROJECT_SOURCE_DIR}/tests/pty/SimulatorProcess.cpp
  LIBS panel_logic LABELS e2e threaded TIMEOUT 120)
target_compile_definitions(HeadlessLoggerTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>"
                                                      FRONTPANEL_PATH="$<TARGET_FILE:frontpanel>"
                                                      SIO_WINDOW=$<BOOL:${SIO_WITH_QT}>)
add_dependencies(HeadlessLoggerTest freqsim frontpanel)
# The logger publishing to a broker (mosquitto) started by the tests on 127.0.0.1.
sio_add_test(NAME HeadlessMqttTest
  SOURCES HeadlessMqttTest.cpp ${PROJECT_SOURCE_DIR}/tests/pty/SimulatorProcess.cpp
  LIBS panel_logic sio_publish mqtt_test_support LABELS e2e net threaded TIMEOUT 180)
target_compile_definitions(HeadlessMqttTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>"
                                                    FRONTPANEL_PATH="$<TARGET_FILE:frontpanel>")
add_dependencies(HeadlessMqttTest freqsim frontpanel)
# The logger over the network: socat and ser2net started by the tests on 127.0.0.1.
sio_add_test(NAME HeadlessSocketTest
  SOURCES HeadlessSocketTest.cpp ${PROJECT_SOURCE_DIR}/tests/pty/SimulatorProcess.cpp
    ${PROJECT_SOURCE_DIR}/tests/net/DeviceServers.cpp
  LIBS panel_logic mqtt_test_support LABELS e2e net threaded TIMEOUT 240)
target_compile_definitions(HeadlessSocketTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>"
                                                      FRONTPANEL_PATH="$<TARGET_FILE:frontpanel>")
add_dependencies(HeadlessSocketTest freqsim frontpanel)
# One measurement per gate: the logger against the simulator's own account of its gates, over
# averaging times, display times, frame periods and faults (ten runs at once, a few seconds each).
sio_add_test(NAME GateRuleTest
  SOURCES GateRuleTest.cpp ${PROJECT_SOURCE_DIR}/tests/pty/SimulatorProcess.cpp
  LIBS panel_logic LABELS e2e threaded TIMEOUT 180)
target_compile_definitions(GateRuleTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>"
                                                FRONTPANEL_PATH="$<TARGET_FILE:frontpanel>")
add_dependencies(GateRuleTest freqsim frontpanel)
