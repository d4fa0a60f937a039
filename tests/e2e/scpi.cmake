# The panel as a SCPI instrument: the headless logger against the simulator, driven by PyVISA's
# pure-Python back end (Debian's python3-pyvisa and python3-pyvisa-py, with Debian's own
# Python).  The program's threads run under the ThreadSanitizer build too.
find_program(SIO_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
add_test(NAME ScpiPyvisaTest
  COMMAND ${SIO_SYSTEM_PYTHON} -m unittest -v test_scpi
  WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/scpi)
math(EXPR _scpi_timeout "240 * ${SIO_TIMEOUT_SCALE}")
set_tests_properties(ScpiPyvisaTest PROPERTIES TIMEOUT ${_scpi_timeout} LABELS "e2e;net;threaded"
  ENVIRONMENT "FREQSIM=$<TARGET_FILE:freqsim>;FRONTPANEL=$<TARGET_FILE:frontpanel>;PYTHONDONTWRITEBYTECODE=1")
