# sio_measure: measurements from decoded frames (one per gate, flagged, in segments), the CSV row
# and its recorder, running moments,
# the series' points, the Allan deviation, histogram and chart reduction, the worker that
# analyses a series, and the run summary.  Plain C++: no Qt, no port.
find_package(Threads REQUIRED)
add_library(sio_measure STATIC
  Measurement.cpp Timestamp.cpp CsvRow.cpp CsvRecorder.cpp RunningMoments.cpp Summary.cpp
  SeriesStore.cpp AllanDeviation.cpp Histogram.cpp SeriesReduction.cpp SeriesAnalysis.cpp SeriesAnalyzer.cpp
  SeriesTables.cpp NumberText.cpp GateRule.cpp Overflow.cpp MeasurementStream.cpp)
target_include_directories(sio_measure PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(sio_measure PUBLIC Threads::Threads PRIVATE sio_warnings)
set_target_properties(sio_measure PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
