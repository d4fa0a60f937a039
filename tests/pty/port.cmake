# The port component over real pseudo-terminals; every open line runs three worker threads.
foreach(_group Open Settings Event Lifecycle Poll LineLost OpenFailure)
  sio_add_test(NAME Port${_group}Test SOURCES Port${_group}Test.cpp LIBS sio_port
               LABELS pty threaded TIMEOUT 120)
endforeach()

# Use after free of a port destroyed while it closes is what the AddressSanitizer pass must
# see here: in such a build the lifecycle test runs once more under a label of its own.
if(SIO_SANITIZER MATCHES "address" AND TARGET PortLifecycleTest)
  add_test(NAME PortLifecycleTestMemory COMMAND PortLifecycleTest)
  set_tests_properties(PortLifecycleTestMemory PROPERTIES TIMEOUT 120 LABELS "pty;memory")
endif()
