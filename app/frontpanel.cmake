# The front panel window and the program.  The seven-segment face of the reading and the
# narrow face that stands in for the form's dialog font are copied from the system's font
# packages at build time and bundled into the program, which then needs no installed font.
if(SIO_WITH_QT)
  find_file(SIO_READING_FONT DSEG7Classic-Italic.ttf PATHS /usr/share/fonts/truetype/dseg NO_DEFAULT_PATH REQUIRED)
  find_file(SIO_DIALOG_FONT DejaVuSansCondensed.ttf PATHS /usr/share/fonts/truetype/dejavu NO_DEFAULT_PATH REQUIRED)
  set(_font_dir ${PROJECT_BINARY_DIR}/generated/fonts)
  configure_file(${SIO_READING_FONT} ${_font_dir}/DSEG7Classic-Italic.ttf COPYONLY)
  configure_file(${SIO_DIALOG_FONT} ${_font_dir}/DejaVuSansCondensed.ttf COPYONLY)

  add_library(panel_window STATIC
    Unit1.h Unit1.cpp KeyPanel.h KeyPanel.cpp Colors.h QtHooks.h QtHooks.cpp
    StatusStrip.h StatusStrip.cpp PanelActions.h PanelActions.cpp RecordingControl.h RecordingControl.cpp
    KeyboardHelp.h KeyboardHelp.cpp PublishStrip.h PublishStrip.cpp
    LinkStatusControl.h LinkStatusControl.cpp ReadingLook.h ReadingLook.cpp WindowControls.h WindowControls.cpp
    DeviceChooser.h DeviceChooser.cpp PortChoices.h PortChoices.cpp
    ${PROJECT_SOURCE_DIR}/resources/forms/Unit1.ui)
  set_target_properties(panel_window PROPERTIES AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/resources/forms)
  # The generated form header is part of the window's interface (tests reach the controls).
  target_include_directories(panel_window PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/panel_window_autogen/include)
  qt_add_resources(panel_window "panel_fonts" PREFIX "/fonts" BASE ${_font_dir}
    FILES ${_font_dir}/DSEG7Classic-Italic.ttf ${_font_dir}/DejaVuSansCondensed.ttf)
  target_link_libraries(panel_window PUBLIC panel_link panel_measurements panel_language sio_portui sio_led panel_images Qt6::Widgets
                                     PRIVATE project_version sio_warnings)

  add_executable(frontpanel Project1.cpp PanelWindowMain.cpp)
  target_link_libraries(frontpanel PRIVATE panel_window project_version sio_warnings)
else()
  # Without Qt the program is the headless logger alone (the sanitizer builds test it so).
  add_executable(frontpanel Project1.cpp NoPanelWindow.cpp)
  target_link_libraries(frontpanel PRIVATE panel_link project_version sio_warnings)
endif()
