# The instrument simulator: plain POSIX, none of the serial component's code.
add_library(freqsim_core STATIC
  simulator/Options.cpp simulator/Instrument.cpp simulator/Line.cpp simulator/Capture.cpp
  simulator/Session.cpp simulator/Listener.cpp simulator/SentLog.cpp)
target_include_directories(freqsim_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(freqsim_core PRIVATE sio_warnings)

add_executable(freqsim simulator/main.cpp)
target_link_libraries(freqsim PRIVATE freqsim_core project_version sio_warnings)
