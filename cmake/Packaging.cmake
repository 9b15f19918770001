# Packages: `cpack` in a Linux build makes a Debian package of the program
# (executable, desktop entry, icon, README as documentation; its dependencies
# are the runtime libraries the executable links, found by dpkg-shlibdeps); in
# the Windows cross build it makes a zip of ORVEX_DIALOG1.EXE with the README.
set(CPACK_PACKAGE_NAME orvex-programmer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Writes firmware into ORVEX-A/B oscilloscopes over RS-232")
set(CPACK_PACKAGE_CONTACT "ORVEX programmer maintainers <orvex-programmer@localhost>")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS ORVEX_DIALOG1 RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ORVEX_DIALOG1-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(ORVEX_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/orvex-programmer)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
