# Installation and the Debian package. The program goes to bin/, its delivered data (the
# three databases, the theme styles, the report template and the popup pictures) to
# share/morvalen/, from where the per-user data folder is seeded on first start.
include(GNUInstallDirs)

install(TARGETS morvalen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${MORVALEN_SEED_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/morvalen)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/morvalen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/src/shell/icons/morvalen.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvalen)
set(CPACK_PACKAGE_VENDOR "Morvalen")
set(CPACK_PACKAGE_CONTACT "Morvalen <support@morvalen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Schema questionnaire scoring and reports for clinics")
set(CPACK_PACKAGE_DESCRIPTION
    "Registers examinees, gives the 232-item Persian schema questionnaire, scores its 18 scales, "
    "shows the profile and its interpretation, and exports Word, printed/PDF and Excel reports.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://morvalen.example")
# The libraries the program links come from dpkg-shlibdeps; the plug-ins Qt loads at run time
# (the SQLite driver, the PostgreSQL driver for a clinic's shared server, SVG icons; the window
# system and JPEG come with libqt6gui6) and the Persian fonts are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, libqt6svg6, fonts-farsiweb | fonts-noto-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, qt6-translations-l10n")
include(CPack)
