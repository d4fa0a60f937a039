find_package(GTest REQUIRED)

# sio_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT seconds] [QT])
# One executable per behaviour group.  Labels: unit, pty, threaded, widget, e2e.
# "threaded" tests are the ones the ThreadSanitizer build runs.
function(sio_add_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(T_QT AND NOT SIO_WITH_QT)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main sio_warnings)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  math(EXPR _timeout "${T_TIMEOUT} * ${SIO_TIMEOUT_SCALE}")
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${_timeout} LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SIO_SOURCE_DIR=${PROJECT_SOURCE_DIR};SIO_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
