# What the installed program consists of, and the Debian package made of it.
include(GNUInstallDirs)

install(PROGRAMS $<TARGET_FILE:tarvos> DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME tarvos-maschinenpark)
install(FILES ${PROJECT_SOURCE_DIR}/resources/tarvos-maschinenpark.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/tarvos-maschinenpark.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS TARVOS_ICON_SIZES)
  install(FILES ${PROJECT_BINARY_DIR}/icons/${size}/tarvos-maschinenpark.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvos-maschinenpark)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvos-maschinenpark)
set(CPACK_PACKAGE_VENDOR TARVOS)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "TARVOS Maschinenpark <maschinenpark@tarvos.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Maschinen und Fahrzeuge verwalten")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Maschinen und Fahrzeuge verwalten
Verwaltet die Maschinen und Fahrzeuge eines Betriebs: Stammdaten, Termine
(TÜV, UVV, Wartungen, Betriebsstunden), variable Kosten, Monatsauswertungen,
Historie und die Kosten des ganzen Maschinenparks als Tabelle und Grafik.
Alle Listen lassen sich drucken und in der Vorschau ansehen.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
# The libraries the program links come from dpkg-shlibdeps; the SQLite and
# PostgreSQL drivers are plugins Qt loads at run time, which no binary names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
# German texts in Qt's own dialogs (file choice, printing).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
