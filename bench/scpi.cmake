# Remote control over SCPI: round trips, query rate, and the panel's latency under polling.
if(SIO_WITH_QT)
  add_executable(ScpiBench ScpiBench.cpp)
  find_package(GTest REQUIRED)
  target_link_libraries(ScpiBench PRIVATE panel_window GTest::gtest sio_warnings)
  target_include_directories(ScpiBench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(ScpiBench PROPERTIES AUTOUIC OFF)
endif()
