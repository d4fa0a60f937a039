# panel_language: the window's language (app/PanelLanguage.h), with its Russian and English
# translations, compiled by lrelease at build time and carried in the program as resources under
# :/i18n/; nothing is installed beside it.  lupdate reads every source of the window and the Qt-free texts it shows (marked with
# QT_TRANSLATE_NOOP in app/ and measure/); the designed form's own texts are not translated.
#   cmake --build build --target update_translations   brings the .ts files up to date
# The Translations test (tests/i18n/) fails while a text has no finished translation.
if(SIO_WITH_QT)
  add_library(panel_language STATIC PanelLanguage.h PanelLanguage.cpp)
  target_link_libraries(panel_language PUBLIC panel_logic Qt6::Core PRIVATE sio_warnings)
  file(GLOB SIO_TRANSLATED_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/app/*.h ${PROJECT_SOURCE_DIR}/app/*.cpp ${PROJECT_SOURCE_DIR}/measure/*.cpp)
  set(SIO_TS_FILES ${PROJECT_SOURCE_DIR}/resources/translations/frontpanel_ru.ts
                   ${PROJECT_SOURCE_DIR}/resources/translations/frontpanel_en.ts
      CACHE INTERNAL "the window's translation sources")
  set(SIO_TRANSLATED_SOURCES_LIST ${PROJECT_BINARY_DIR}/generated/translated-sources.lst
      CACHE INTERNAL "what lupdate reads, one file a line")
  list(JOIN SIO_TRANSLATED_SOURCES "\n" _lines)
  file(GENERATE OUTPUT ${SIO_TRANSLATED_SOURCES_LIST} CONTENT "${_lines}\n")
  # Without locations: a .ts file changes only when a text does.
  qt_add_translations(panel_language TS_FILES ${SIO_TS_FILES} SOURCES ${SIO_TRANSLATED_SOURCES}
    INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}
    LUPDATE_OPTIONS -no-obsolete -locations none)
endif()
