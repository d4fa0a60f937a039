# The Measurements window over a series, offscreen; its worker thread runs beside the GUI.
sio_add_test(NAME MeasurementsWindowTest SOURCES MeasurementsWindowTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/PanelTestMain.cpp
  LIBS panel_window Qt6::Test LABELS widget QT TIMEOUT 120)
if(TARGET MeasurementsWindowTest)
  set_target_properties(MeasurementsWindowTest PROPERTIES AUTOUIC OFF)
endif()
