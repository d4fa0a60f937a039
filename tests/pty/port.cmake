# The port component over real pseudo-terminals; every open line runs three worker threads.
foreach(_group Open Settings Event Lifecycle Poll LineLost OpenFailure)
  sio_add_test(NAME Port${_group}Test SOURCES Port${_group}Test.cpp LIBS sio_port
               LABELS pty threaded TIMEOUT 120)
endforeach()
