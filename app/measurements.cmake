# The Measurements window: statistics and stability tables, trend chart, deviation plot with
# error bars, histogram (Qt Charts), and their export as PNG, SVG and CSV.  Its figures come from sio_measure.
if(SIO_WITH_QT)
  add_library(panel_measurements STATIC
    MeasurementsWindow.h MeasurementsWindow.cpp TrendChart.h TrendChart.cpp StatisticsCharts.h StatisticsCharts.cpp
    ChartExport.h ChartExport.cpp)
  target_link_libraries(panel_measurements PUBLIC panel_logic panel_language sio_platform Qt6::Widgets Qt6::Charts
                     PRIVATE Qt6::Svg project_version sio_warnings)
endif()
