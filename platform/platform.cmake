add_library(sio_platform STATIC
  Sync.cpp Clock.cpp SysErrors.cpp SysUtils.cpp Component.cpp Messages.cpp Thread.cpp
  Application.cpp Resources.cpp)
target_include_directories(sio_platform PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_link_libraries(sio_platform PRIVATE sio_warnings PUBLIC Threads::Threads)
# Plain C++: no Qt code generators.
set_target_properties(sio_platform PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
