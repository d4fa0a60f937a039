# The seeded randomized test of the port component (see PortRandomTest.cpp for its options).
# It runs 10 s in the normal build and 30 s in each sanitizer build; longer runs are made by
# hand or by a soak script with --seconds.
sio_add_test(NAME PortRandomTest
  SOURCES PortRandomTest.cpp RandomLine.cpp ${PROJECT_SOURCE_DIR}/tests/support/Watchdog.cpp
  LIBS sio_port LABELS pty threaded TIMEOUT 75)
if(TARGET PortRandomTest)
  if(SIO_SANITIZER STREQUAL "")
    set(_random_seconds 10)
  else()
    set(_random_seconds 30)
  endif()
  set_property(TEST PortRandomTest APPEND PROPERTY ENVIRONMENT "SIO_RANDOM_DEFAULT_SECONDS=${_random_seconds}")
  # The same steps over tcp:// lines, so that the socket layer meets them too.
  add_test(NAME PortRandomSocketTest COMMAND PortRandomTest --socket)
  set_tests_properties(PortRandomSocketTest PROPERTIES TIMEOUT 75 LABELS "pty;threaded"
    ENVIRONMENT "SIO_RANDOM_DEFAULT_SECONDS=${_random_seconds}")
  # The AddressSanitizer pass leaves out "threaded" tests; this one runs there under a label
  # of its own, as the dispatcher's pseudo-terminal tests do.
  if(SIO_SANITIZER MATCHES "address")
    add_test(NAME PortRandomTestMemory COMMAND PortRandomTest)
    get_test_property(PortRandomTest TIMEOUT _timeout)
    get_test_property(PortRandomTest ENVIRONMENT _environment)
    set_tests_properties(PortRandomTestMemory PROPERTIES TIMEOUT ${_timeout} LABELS "pty;memory"
      ENVIRONMENT "${_environment}")
  endif()
endif()

sio_add_test(NAME StreamCheckTest
  SOURCES StreamCheckTest.cpp RandomLine.cpp
  LIBS sio_port LABELS pty)
