# Installation and the Debian package (`make package`): the three programs, the desktop
# entry with its icon, and the manual with its pictures. The runtime dependencies are
# read from the programs' shared libraries by dpkg-shlibdeps.
include(GNUInstallDirs)
# Installing (and packaging) takes the programs as built; it does not build every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(VELTRANO_PROGRAMS veltrano-cli veltrano-import)
if(TARGET veltrano)
  list(PREPEND VELTRANO_PROGRAMS veltrano)
endif()
install(TARGETS ${VELTRANO_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrano)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrano)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/veltrano)
if(TARGET veltrano)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/veltrano.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/veltrano.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
set(CPACK_PACKAGE_VENDOR "Veltrano")
set(CPACK_PACKAGE_CONTACT "Veltrano developers <veltrano@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Soil organic matter balance of arable land: desktop workbench and command line")
set(CPACK_PACKAGE_DESCRIPTION
    "Simulates the yearly carbon and nitrogen balance of arable plots, compares it with observations and \
calibrates it. veltrano is the desktop workbench, veltrano-cli runs and evaluates unattended, \
veltrano-import reads Access experiment databases.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY veltrano)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The offscreen and desktop platform plugins come with the Qt base package; R is optional
# (the R analysis window), poppler-utils renders the reports' PDF previews.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6gui6, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "r-base-core, r-cran-rsqlite, xdg-utils")
include(CPack)
