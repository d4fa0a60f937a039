# The real window logic against the instrument simulator on a pseudo-terminal.
sio_add_test(NAME PanelSimulatorTest
  SOURCES PanelSimulatorTest.cpp ${PROJECT_SOURCE_DIR}/tests/pty/SimulatorProcess.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PanelTestMain.cpp
  LIBS panel_window Qt6::Test LABELS e2e QT TIMEOUT 120)
if(TARGET PanelSimulatorTest)
  set_target_properties(PanelSimulatorTest PROPERTIES AUTOUIC OFF)
  target_compile_definitions(PanelSimulatorTest PRIVATE FREQSIM_PATH="$<TARGET_FILE:freqsim>")
  add_dependencies(PanelSimulatorTest freqsim)
endif()
