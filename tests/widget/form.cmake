sio_add_test(NAME FormTest SOURCES FormTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/PanelTestMain.cpp
  LIBS panel_window Qt6::Test LABELS widget QT TIMEOUT 120)
if(TARGET FormTest)
  # ui_Unit1.h comes with panel_window; this test generates no form of its own.
  set_target_properties(FormTest PROPERTIES AUTOUIC OFF)
endif()
sio_add_test(NAME PanelCommandsTest SOURCES PanelCommandsTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/PanelTestMain.cpp
  LIBS panel_window mqtt_test_support Qt6::Test LABELS widget QT TIMEOUT 120)
if(TARGET PanelCommandsTest)
  set_target_properties(PanelCommandsTest PROPERTIES AUTOUIC OFF)
endif()
sio_add_test(NAME LinkStatusTest SOURCES LinkStatusTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/PanelTestMain.cpp
  LIBS panel_window Qt6::Test LABELS widget QT TIMEOUT 120)
if(TARGET LinkStatusTest)
  set_target_properties(LinkStatusTest PROPERTIES AUTOUIC OFF)
endif()
