# The window's plain logic: the link decoder and the key-lamp groups (no Qt, no port).
add_library(panel_logic STATIC LinkDecoder.cpp KeyGroups.cpp)
target_include_directories(panel_logic PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(panel_logic PRIVATE sio_warnings)
