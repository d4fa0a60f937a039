# The published form of a measurement (plain logic).
sio_add_test(NAME ReadingJsonTest SOURCES ReadingJsonTest.cpp LIBS sio_publish LABELS unit TIMEOUT 30)
