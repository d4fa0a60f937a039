# The port component over real pseudo-terminals; every open line runs three worker threads.
foreach(_group Open Settings Event Lifecycle Poll LineLost OpenFailure)
  sio_add_test(NAME Port${_group}Test SOURCES Port${_group}Test.cpp LIBS sio_port
               LABELS pty threaded TIMEOUT 120)
endforeach()
# The reconnection of a lost line (the window's and the logger's), over real pseudo-terminals.
sio_add_test(NAME ReconnectorTest SOURCES ReconnectorTest.cpp LIBS panel_link LABELS pty threaded TIMEOUT 120)
# What the device chooser says of each device (free, busy and by whom, ...), over real
# pseudo-terminals.
sio_add_test(NAME DeviceUseTest SOURCES DeviceUseTest.cpp LIBS panel_link LABELS pty TIMEOUT 60)

# Use after free of a port destroyed while it closes is what the AddressSanitizer pass must
# see here: in such a build the lifecycle test runs once more under a label of its own.
if(SIO_SANITIZER MATCHES "address" AND TARGET PortLifecycleTest)
  add_test(NAME PortLifecycleTestMemory COMMAND PortLifecycleTest)
  set_tests_properties(PortLifecycleTestMemory PROPERTIES TIMEOUT 120 LABELS "pty;memory")
endif()
