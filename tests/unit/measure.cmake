# The measurement model, the CSV row and recorder, the run summary, and the program's command
# line and the window's language from the environment (plain logic, real files).
sio_add_test(NAME MeasureTest SOURCES MeasurementTest.cpp CsvRowTest.cpp SummaryTest.cpp CommandLineTest.cpp GateRuleTest.cpp
  LanguageTest.cpp
  LIBS panel_logic LABELS unit TIMEOUT 30)
sio_add_test(NAME CsvRecorderTest SOURCES CsvRecorderTest.cpp LIBS sio_measure LABELS unit TIMEOUT 30)
# Statistics of a series: the Allan deviation, the stored points, the chart's reduction and the
# histogram; the worker that analyses a series while points are added (threads).
sio_add_test(NAME SeriesStatisticsTest SOURCES AllanDeviationTest.cpp SeriesStoreTest.cpp
  LIBS sio_measure LABELS unit TIMEOUT 60)
sio_add_test(NAME SeriesAnalyzerTest SOURCES SeriesAnalyzerTest.cpp LIBS sio_measure LABELS unit threaded TIMEOUT 60)
# The stability analysis: the deviations against published figures and the formulas, the
# offline analysis as the program runs it, the confidence intervals as statistics, and the
# numbers and ticks the window shows.
sio_add_test(NAME StabilityTest SOURCES DeviationsTest.cpp ConfidenceTest.cpp NumberFormatTest.cpp StabilityInputTest.cpp
  LIBS panel_logic LABELS unit TIMEOUT 120)
