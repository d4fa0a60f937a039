# The Measurements window over a million measurements: trend chart redraw and refresh cost.
if(SIO_WITH_QT)
  add_executable(MeasurementsWindowBench MeasurementsWindowBench.cpp)
  target_link_libraries(MeasurementsWindowBench PRIVATE panel_window sio_warnings)
  set_target_properties(MeasurementsWindowBench PROPERTIES AUTOUIC OFF)
endif()
