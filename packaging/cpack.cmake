# The Debian package: one package "frontpanel" of the components "programs" and "debian".
# tools/package.sh builds it; `cpack -G DEB` in a configured build folder does the same.
set(SIO_PACKAGE_MAINTAINER "Front panel maintainers <frontpanel@example.org>"
    CACHE STRING "Maintainer field of the Debian package: name <address>")

set(CPACK_PACKAGE_NAME ${SIO_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Front panel developers")
set(CPACK_PACKAGE_CONTACT ${SIO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote front panel for a bench frequency counter")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# strip leaves the compiler's notes (.comment), which lintian counts as unneeded.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip-notes.cmake)
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${SIO_PACKAGE_NAME})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL programs debian)

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_NAME ${SIO_PACKAGE_NAME})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SIO_PACKAGE_MAINTAINER})
# The Qt 6 libraries and the C++ run-time, as dpkg-shlibdeps finds them; the fonts are in the
# program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts in Russian (file dialogs, message-box buttons), which the window loads from the
# system; CPack adds it to what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The long description; CPack puts the summary above it, indents it and marks the empty lines
# between paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "frontpanel shows the front panel of a bench frequency counter in a window
titled Частотомер and operates the instrument over an RS-232 line at 9600
baud: clicks on the keys of the picture send key codes, and the status bytes
and state frames the instrument sends back light the key lamps and indicator
LEDs and show the eight-digit reading.

A port number can be mapped to any serial device, such as a USB adapter.
Measurements can be recorded as CSV, logged without a window, and published
to an MQTT broker.

The package also holds freqsim, a simulator that plays the instrument on a
pseudo-terminal or a TCP port, with injected line faults and the recording
and replay of sessions with a real instrument.

The window speaks Russian or English, following the locale; a Russian manual
page is included.")

include(CPack)
