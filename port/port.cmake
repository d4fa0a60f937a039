# sio_port: the port component (TSioCustomComPort, TSioComPort) over the dispatcher.
add_library(sio_port STATIC
  SioPortProps.cpp SioPortFlow.cpp SioPortTrace.cpp SioPortOpen.cpp SioPortWindow.cpp
  SioPortLost.cpp SioOpenFailure.cpp)
target_link_libraries(sio_port PUBLIC sio_dispatch PRIVATE sio_warnings)
set_target_properties(sio_port PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
