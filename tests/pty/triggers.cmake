# Trigger checks and delivery over a pseudo-terminal, with handlers on the main thread.
sio_add_test(NAME TriggerDeliveryTest SOURCES TriggerDeliveryTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
# Wake-ups of the dispatch worker: each lost one makes its test miss its deadline.
sio_add_test(NAME DispatchWakeTest SOURCES DispatchWakeTest.cpp
  LIBS sio_dispatch LABELS pty threaded TIMEOUT 120)
