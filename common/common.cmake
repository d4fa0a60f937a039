# sio_common: message tables and their reader, error codes and exceptions, the component base
# and the shared routines (clock, tick timer, message pump).
set(SIO_STRING_SOURCES
  ${PROJECT_SOURCE_DIR}/resources/strings/messages.txt
  ${PROJECT_SOURCE_DIR}/resources/strings/reader.txt)
set(SIO_STRING_TABLES_CPP ${PROJECT_BINARY_DIR}/generated/SioStringTables.cpp)
add_custom_command(
  OUTPUT ${SIO_STRING_TABLES_CPP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/generated
  COMMAND $<TARGET_FILE:mkstrtable> --output ${SIO_STRING_TABLES_CPP}
          --function RegisterSioStringTables
          SIO_ERROR_STRINGS_ENGLISH=${PROJECT_SOURCE_DIR}/resources/strings/messages.txt
          SIOSTRRES_STRINGS=${PROJECT_SOURCE_DIR}/resources/strings/reader.txt
  DEPENDS mkstrtable ${SIO_STRING_SOURCES}
  COMMENT "Generating the message tables"
  VERBATIM)

add_library(sio_common STATIC
  SioStrRes.cpp SioExcept.cpp SioMisc.cpp ${SIO_STRING_TABLES_CPP})
target_link_libraries(sio_common PRIVATE sio_warnings PUBLIC sio_platform)
set_target_properties(sio_common PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
