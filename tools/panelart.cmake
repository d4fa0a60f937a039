# panelart: draws the lamp bitmaps, the front-panel picture and the icon under resources/images.
# The pictures are committed; after changing the artwork, rebuild them with
#   cmake --build <build> --target panel_images_regen
if(SIO_WITH_QT)
  add_executable(panelart
    panelart/main.cpp panelart/BmpFile.cpp panelart/Quantize.cpp panelart/LedArt.cpp
    panelart/IconArt.cpp panelart/PanelArt.cpp panelart/Preview.cpp)
  target_include_directories(panelart PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(panelart PRIVATE Qt6::Gui sio_led_fill sio_warnings)
  add_custom_target(panel_images_regen
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:panelart> ${PROJECT_SOURCE_DIR}/resources/images
            --preview ${PROJECT_BINARY_DIR}/panelart-preview
    DEPENDS panelart
    COMMENT "Drawing the panel pictures into resources/images"
    VERBATIM)
endif()
