# The Measurements window: statistics and Allan deviation tables, trend chart, histogram
# (Qt Charts).  Its figures come from sio_measure.
if(SIO_WITH_QT)
  add_library(panel_measurements STATIC
    MeasurementsWindow.h MeasurementsWindow.cpp TrendChart.h TrendChart.cpp StatisticsCharts.h StatisticsCharts.cpp)
  target_link_libraries(panel_measurements PUBLIC panel_logic panel_language sio_platform Qt6::Widgets Qt6::Charts PRIVATE sio_warnings)
endif()
