# The LED indicator control (Qt Widgets); its built-in bitmaps come from panel_images.
add_library(sio_led_fill STATIC FloodFill.h FloodFill.cpp)
target_include_directories(sio_led_fill PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(sio_led_fill PUBLIC Qt6::Gui PRIVATE sio_warnings)

add_library(sio_led STATIC ALed.h ALed.cpp Colors.h)
target_link_libraries(sio_led PUBLIC Qt6::Widgets sio_led_fill panel_images PRIVATE sio_warnings)
