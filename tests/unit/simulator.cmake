sio_add_test(NAME SimulatorInstrumentTest SOURCES SimulatorInstrumentTest.cpp
  LIBS freqsim_core LABELS unit TIMEOUT 30)
