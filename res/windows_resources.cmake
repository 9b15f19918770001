# The Windows program's resources, compiled from orvex.rc: include() this file
# when building for Windows, then call
#   orvex_add_windows_resources(<target> <firmware-image-path>)
# It generates the icon file with xpm-to-ico, which holds the images rendered
# from orvex-programmer.svg and must run on the build machine: a cross build
# names a host-built copy with -DORVEX_HOST_XPM_TO_ICO=/path/to/xpm-to-ico
# (scripts/build-windows does).
set(ORVEX_HOST_XPM_TO_ICO "" CACHE FILEPATH "xpm-to-ico built for the build machine (cross builds)")
set(ORVEX_RES_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "The resource script's directory")

function(orvex_add_windows_resources target image)
  if(ORVEX_HOST_XPM_TO_ICO)
    set(xpm_to_ico ${ORVEX_HOST_XPM_TO_ICO})
  elseif(NOT CMAKE_CROSSCOMPILING AND TARGET xpm-to-ico)
    set(xpm_to_ico xpm-to-ico)
  else()
    message(FATAL_ERROR "orvex_add_windows_resources: the icon needs xpm-to-ico built for this machine; "
      "build it in a host build (target xpm-to-ico) and pass -DORVEX_HOST_XPM_TO_ICO=/path/to/xpm-to-ico")
  endif()

  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(ORVEX_ICON_FILE ${out}/orvex.ico)
  set(ORVEX_FIRMWARE_FILE ${image})
  add_custom_command(OUTPUT ${ORVEX_ICON_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${xpm_to_ico} ${ORVEX_ICON_FILE}
    DEPENDS ${xpm_to_ico}
    COMMENT "Generating the icon file of ${target}"
    VERBATIM)
  add_custom_target(${target}_icon DEPENDS ${ORVEX_ICON_FILE})
  # The paths go to the resource compiler in a header: quoting them through
  # -D in its flags does not survive every generator.
  configure_file(${ORVEX_RES_DIR}/rc_paths.h.in ${out}/rc_paths.h @ONLY)

  set(rc ${ORVEX_RES_DIR}/orvex.rc)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES
    INCLUDE_DIRECTORIES "${ORVEX_RES_DIR};${out};${PROJECT_BINARY_DIR}/generated;${PROJECT_BINARY_DIR}/generated/res"
    OBJECT_DEPENDS "${ORVEX_ICON_FILE};${image};${ORVEX_RES_DIR}/orvex.manifest;${ORVEX_RES_DIR}/resource.h;${out}/rc_paths.h;${PROJECT_BINARY_DIR}/generated/res/version.h;${PROJECT_BINARY_DIR}/generated/res/site_log_messages.rc")
  add_dependencies(${target} ${target}_icon orvex_site_log_messages)
  if(TARGET orvex_firmware_checked)
    add_dependencies(${target} orvex_firmware_checked)
  endif()
endfunction()
