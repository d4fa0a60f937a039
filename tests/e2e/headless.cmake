# The headless logger as a program against the simulator; the program's threads run under the
# ThreadSanitizer build too.
sio_add_test(NAME HeadlessLoggerTest
  SOURCES HeadlessLoggerTest.cpp ${PROJECT_SOURCE_DIR}/tests/pty/SimulatorProcess.cpp
  LIBS panel_logic LABELS e2e threaded TIMEOUT 120)
target_compile_definitions(HeadlessLoggerTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>"
                                                      FRONTPANEL_PATH="$<TARGET_FILE:frontpanel>")
add_dependencies(HeadlessLoggerTest freqsim frontpanel)
