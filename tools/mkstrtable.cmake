# mkstrtable: the build-time generator of the STR0 message tables (a host program).
add_executable(mkstrtable mkstrtable/mkstrtable.cpp)
target_link_libraries(mkstrtable PRIVATE sio_warnings)
set_target_properties(mkstrtable PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
