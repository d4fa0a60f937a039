# sio_portui: the port selection dialog's Qt form over the Qt-free probe in sio_port.
if(SIO_WITH_QT)
  add_library(sio_portui STATIC
    SioSelComForm.h SioSelComForm.cpp ${PROJECT_SOURCE_DIR}/resources/forms/SioSelCom.ui)
  set_target_properties(sio_portui PROPERTIES AUTOUIC_SEARCH_PATHS ${PROJECT_SOURCE_DIR}/resources/forms)
  target_link_libraries(sio_portui PUBLIC sio_port Qt6::Widgets PRIVATE sio_warnings)
endif()
