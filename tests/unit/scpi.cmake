# The SCPI parser, header patterns, reply numbers and listen addresses (plain logic).
sio_add_test(NAME ScpiParserTest SOURCES ScpiParserTest.cpp LIBS sio_remote LABELS unit TIMEOUT 30)
