sio_add_test(NAME TriggerUnitTest SOURCES TriggerMatchTest.cpp TriggerRegistrationTest.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 60)
sio_add_test(NAME TriggerAllocTest SOURCES TriggerAllocTest.cpp ${PROJECT_SOURCE_DIR}/tests/support/CountingNew.cpp
  LIBS sio_dispatch LABELS unit TIMEOUT 30)
