# sio_measure: measurements from decoded frames (one per gate, flagged, in segments), the CSV row
# and its recorder, running moments, the series' points, the stability analysis (deviations,
# noise types, confidence intervals, drift), histogram and chart reduction, the worker that
# analyses a series, the run summary, and recordings read back for offline analysis.  Plain
# C++: no Qt, no port.
find_package(Threads REQUIRED)
add_library(sio_measure STATIC
  Measurement.cpp Timestamp.cpp CsvRow.cpp CsvRecorder.cpp RunningMoments.cpp Summary.cpp
  SeriesStore.cpp Histogram.cpp SeriesReduction.cpp SeriesAnalysis.cpp SeriesAnalyzer.cpp NewestWorker.cpp
  SeriesTables.cpp NumberText.cpp SiFormat.cpp AxisTicks.cpp GateRule.cpp Overflow.cpp MeasurementStream.cpp
  StabilityData.cpp Deviations.cpp ChiSquared.cpp NoiseIdentification.cpp EquivalentDof.cpp StabilityAnalysis.cpp
  FrequencyDrift.cpp StabilityInput.cpp MeasurementFile.cpp AnalysisJson.cpp StabilityExport.cpp)
target_include_directories(sio_measure PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(sio_measure PUBLIC Threads::Threads PRIVATE sio_warnings)
set_target_properties(sio_measure PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
