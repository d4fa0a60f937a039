# The measurement model, the CSV row and recorder, the run summary, and the program's command
# line (plain logic, real files).
sio_add_test(NAME MeasureTest SOURCES MeasurementTest.cpp CsvRowTest.cpp SummaryTest.cpp CommandLineTest.cpp
  LIBS panel_logic LABELS unit TIMEOUT 30)
sio_add_test(NAME CsvRecorderTest SOURCES CsvRecorderTest.cpp LIBS sio_measure LABELS unit TIMEOUT 30)
