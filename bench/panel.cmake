# The front panel window: frame-to-reading latency and window start-up.
if(SIO_WITH_QT)
  add_executable(PanelBench PanelBench.cpp)
  find_package(GTest REQUIRED)
  target_link_libraries(PanelBench PRIVATE panel_window GTest::gtest sio_warnings)
  target_include_directories(PanelBench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(PanelBench PROPERTIES AUTOUIC OFF)
endif()
