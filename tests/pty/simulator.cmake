# The instrument simulator run as a child process against a pseudo-terminal peer.
sio_add_test(NAME SimulatorTest
  SOURCES SimulatorProcess.cpp SimulatorKeysTest.cpp SimulatorLineTest.cpp SimulatorOptionsTest.cpp
    SimulatorTcpTest.cpp
  LIBS panel_logic LABELS pty TIMEOUT 120)
if(TARGET SimulatorTest)
  target_compile_definitions(SimulatorTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>")
  add_dependencies(SimulatorTest freqsim)
endif()
