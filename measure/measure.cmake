# sio_measure: measurements from decoded frames, the CSV row and its recorder, running moments
# and the run summary.  Plain C++: no Qt, no port.
add_library(sio_measure STATIC
  Measurement.cpp Timestamp.cpp CsvRow.cpp CsvRecorder.cpp RunningMoments.cpp Summary.cpp)
target_include_directories(sio_measure PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(sio_measure PRIVATE sio_warnings)
set_target_properties(sio_measure PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
