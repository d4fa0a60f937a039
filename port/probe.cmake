# The port probe belongs to the Qt-free port library; the dialog that shows its findings is
# in selcom.cmake.
target_sources(sio_port PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/SioProbe.h ${CMAKE_CURRENT_SOURCE_DIR}/SioProbe.cpp)
