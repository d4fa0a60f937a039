# Trigger checks and delivery over a pseudo-terminal, with handlers on the main thread.
sio_add_test(NAME TriggerDeliveryTest SOURCES TriggerDeliveryTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
