# selcompreview: shows the port selection dialog on its own (tools/screenshot-dialog.sh).
if(SIO_WITH_QT)
  add_executable(selcompreview selcompreview/main.cpp)
  target_include_directories(selcompreview PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(selcompreview PRIVATE sio_portui sio_warnings)
endif()
