# Packages: `cpack` in a Linux build makes a Debian package of the program
# (executable, desktop entry, icons, metainfo, manual page, README and the
# docs/ pages it links to, copyright and changelog: see LinuxDesktop.cmake; its
# dependencies are the runtime libraries the executable links, found by
# dpkg-shlibdeps) that lintian accepts; in the Windows cross build it makes a
# zip of ORVEX_DIALOG1.EXE with the README and docs/.
set(CPACK_PACKAGE_NAME orvex-programmer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Writes firmware into ORVEX-A/B oscilloscopes over RS-232")
set(CPACK_PACKAGE_CONTACT "ORVEX Firmware Team <firmware@orvex.example>")
set(CPACK_STRIP_FILES ON)
# Directories and control files as Debian wants them, whatever the umask of
# whoever runs cpack.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

if(WIN32)
  install(TARGETS ORVEX_DIALOG1 RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  # x86_64 or i686, from the toolchain file: one zip for each.
  set(CPACK_PACKAGE_FILE_NAME ORVEX_DIALOG1-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # The zip takes the program as built: cpack need not build the cross-built tests first.
  set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
elseif(ORVEX_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/orvex-programmer)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION share/doc/orvex-programmer)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  # The extended description; the summary above is its first line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A bench utility for the ORVEX-A/B digital storage oscilloscopes: it wakes
the instrument's boot loader over a serial line, sends the update command and
streams the firmware image embedded in the program (or an S-record file)
while a progress bar moves, one instrument after another.
.
Besides the dialog it has a batch mode for the production line, which runs
one upgrade with no window and ends with an exit code, an upgrade record
with one line of JSON per upgrade, and a port finder that names the process
holding a busy port.")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
