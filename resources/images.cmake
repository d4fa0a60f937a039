# panel_images: the pictures drawn by tools/panelart, embedded as Qt resources under :/images/
#   :/images/ALEDSM.bmp ... :/images/ALEDHZ.bmp   lamp bitmaps (4-bit), loaded by TALed
#   :/images/frontpanel.bmp                       front-panel picture, 780 x 286, 8-bit
#   :/images/MAINICON.png, :/images/MAINICON.ico  program icon, 32 x 32, 16 colours
# Linking panel_images (directly or through sio_led) brings the resources into the program.
if(SIO_WITH_QT)
  set(_panel_image_files
    images/ALEDSM.bmp images/ALEDLG.bmp images/ALEDSQSM.bmp images/ALEDSQLG.bmp
    images/ALEDVT.bmp images/ALEDHZ.bmp images/frontpanel.bmp images/MAINICON.png images/MAINICON.ico)
  add_library(panel_images STATIC images/PanelImages.cpp)
  target_link_libraries(panel_images PRIVATE Qt6::Core sio_warnings)
  qt_add_resources(panel_images panel_images PREFIX /images BASE images FILES ${_panel_image_files})
endif()
