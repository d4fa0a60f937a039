# mkstrtable: the build-time generator of the STR0 message tables (a host program).
# It runs during the build, so it is built without the sanitizer of the build: a sanitizer
# run-time that cannot start (leak checking under some containers) must not break builds.
add_executable(mkstrtable mkstrtable/mkstrtable.cpp)
target_link_libraries(mkstrtable PRIVATE sio_warnings)
set_target_properties(mkstrtable PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
  COMPILE_OPTIONS "" LINK_OPTIONS "")
