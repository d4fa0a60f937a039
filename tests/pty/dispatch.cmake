# Dispatcher over real pseudo-terminals.  All of them run the worker threads.
set(_dispatch_pty_tests
  DispatchIoTest DispatchSettingsTest DispatchFaultTest DispatchCycleTest DispatchCloseTest
  DispatchModemTest)
foreach(_t IN LISTS _dispatch_pty_tests)
  sio_add_test(NAME ${_t} SOURCES ${_t}.cpp LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
endforeach()

# The AddressSanitizer pass leaves out "threaded" tests, but use after free and leaks
# across the workers (open/close cycles, deferred releases) are what it must see here: in
# such a build the same executables run once more under a label of their own.
if(SIO_SANITIZER MATCHES "address")
  foreach(_t IN LISTS _dispatch_pty_tests)
    add_test(NAME ${_t}Memory COMMAND ${_t})
    get_test_property(${_t} TIMEOUT _timeout)
    get_test_property(${_t} ENVIRONMENT _environment)
    set_tests_properties(${_t}Memory PROPERTIES TIMEOUT ${_timeout} LABELS "pty;memory"
      ENVIRONMENT "${_environment}")
  endforeach()
endif()
