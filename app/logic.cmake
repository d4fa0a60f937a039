# The window's plain logic: the link decoder, the key-lamp groups, the keyboard keys, the
# command line, the feed from decoded frames to measurements, the list of the machine's
# serial devices, and the offline analysis of a recording (no Qt, no port).
add_library(panel_logic STATIC
  LinkDecoder.cpp KeyGroups.cpp KeyboardMap.cpp CommandLine.cpp MeasurementFeed.cpp SerialDevices.cpp
  AnalyzeCommand.cpp OfflineAnalysis.cpp)
target_include_directories(panel_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(panel_logic PUBLIC sio_measure PRIVATE sio_warnings)
set_target_properties(panel_logic PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# The panel's side of its port, the link's health, the headless logger and publishing over MQTT
# (no Qt): shared by the window and the program, and testable without a display.
add_library(panel_link STATIC
  PanelPort.cpp HeadlessLogger.cpp StopSignals.cpp Headless.cpp LinkHealth.cpp PanelPublishing.cpp)
target_link_libraries(panel_link PUBLIC panel_logic sio_port sio_publish PRIVATE sio_warnings)
set_target_properties(panel_link PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
