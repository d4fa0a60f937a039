sio_add_test(NAME TriggerUnitTest SOURCES TriggerMatchTest.cpp TriggerRegistrationTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 60)
