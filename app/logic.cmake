# The window's plain logic: the link decoder, the key-lamp groups, and the feed from decoded
# frames to measurements (no Qt, no port).
add_library(panel_logic STATIC LinkDecoder.cpp KeyGroups.cpp MeasurementFeed.cpp)
target_include_directories(panel_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(panel_logic PUBLIC sio_measure PRIVATE sio_warnings)
set_target_properties(panel_logic PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
