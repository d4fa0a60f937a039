# The dispatcher: core, settings, modem state, registry, triggers and delivery, trace and
# log, workers, and the POSIX device layer.  One file per concern; all of them form one
# library.
file(GLOB _dispatch_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
add_library(sio_dispatch STATIC ${_dispatch_sources})
target_link_libraries(sio_dispatch PUBLIC sio_common PRIVATE sio_warnings)
set_target_properties(sio_dispatch PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
