# The window's plain logic: the link decoder, the key-lamp groups, the keyboard keys, the
# command line, the window's language, the feed from decoded frames to measurements, the list of
# the machine's serial devices, the words for people they write, and the offline analysis of a
# recording (no Qt, no port).
add_library(panel_logic STATIC
  LinkDecoder.cpp PanelUpdates.cpp KeyGroups.cpp KeyboardMap.cpp CommandLine.cpp MeasurementFeed.cpp SerialDevices.cpp
  Language.cpp Words.cpp AnalyzeCommand.cpp OfflineAnalysis.cpp)
target_include_directories(panel_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(panel_logic PUBLIC sio_measure sio_publish sio_remote PRIVATE sio_dispatch sio_warnings)
set_target_properties(panel_logic PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)

# The panel's side of its port, the link's health and its reconnection, the plain words of a
# failed open, the headless logger, publishing over MQTT and remote control over SCPI (no Qt):
# shared by the window and the program, and testable without a display.
add_library(panel_link STATIC
  PanelPort.cpp HeadlessLogger.cpp StopSignals.cpp Headless.cpp LinkHealth.cpp PanelPublishing.cpp
  StandardStreams.cpp DeviceReturn.cpp Reconnector.cpp OpenFailureText.cpp DeviceUse.cpp
  PanelRemote.cpp)
target_link_libraries(panel_link PUBLIC panel_logic sio_port sio_publish PRIVATE project_version sio_warnings)
set_target_properties(panel_link PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
