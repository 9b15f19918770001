# The Linux program's place on the desktop and in the system, installed with it
# and so packaged: the icon in the hicolor theme at the sizes desktops ask for,
# all rendered from res/orvex-programmer.svg; the desktop entry and the
# AppStream metainfo, both named by the application's identifier; the manual
# page, made from the program's own --help so that the two cannot drift; and
# the package's documents (copyright, changelog, the example udev rule).
# include() this file, then call orvex_add_desktop_files(<program target>).

# The AppStream identifier: reverse DNS, as the metainfo validator asks.
set(ORVEX_APP_ID example.orvex.programmer)
set(ORVEX_ICON_SIZES 16 24 32 48 64 128 256)

# The release date of this version is the date of the changelog's newest entry,
# whose version must be project()'s.
function(orvex_release_date changelog out_var)
  file(STRINGS ${changelog} lines)
  list(GET lines 0 head)
  if(NOT head MATCHES "^orvex-programmer \\(([^)]+)\\)" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${changelog}: the newest entry is not for version ${PROJECT_VERSION}: "
      "add one for it at the top")
  endif()
  foreach(line IN LISTS lines)
    if(line MATCHES "^ -- .*>  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
      set(day ${CMAKE_MATCH_1})
      set(year ${CMAKE_MATCH_3})
      set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
      list(FIND months ${CMAKE_MATCH_2} month)
      math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
      if(month LESS 10)
        set(month 0${month})
      endif()
      set(${out_var} ${year}-${month}-${day} PARENT_SCOPE)
      # The same day as seconds since 1970 (days from the civil date), which
      # help2man dates the page by instead of the day of the build.
      if(month LESS_EQUAL 2)
        math(EXPR y "${year} - 1")
        math(EXPR m "${month} + 9")
      else()
        set(y ${year})
        math(EXPR m "${month} - 3")
      endif()
      math(EXPR days "${y} * 365 + ${y} / 4 - ${y} / 100 + ${y} / 400 + (153 * ${m} + 2) / 5 + ${day} - 1 - 719468")
      math(EXPR epoch "${days} * 86400")
      set(${out_var}_EPOCH ${epoch} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${changelog}: no trailer line with a date in the newest entry")
endfunction()

function(orvex_add_desktop_files program)
  set(res ${PROJECT_SOURCE_DIR}/res)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/desktop)
  set(doc share/doc/orvex-programmer)
  find_program(ORVEX_RSVG_CONVERT rsvg-convert REQUIRED)
  find_program(ORVEX_HELP2MAN help2man REQUIRED)
  find_program(ORVEX_GZIP gzip REQUIRED)
  set(outputs)

  foreach(size IN LISTS ORVEX_ICON_SIZES)
    set(dir ${out}/icons/hicolor/${size}x${size}/apps)
    add_custom_command(OUTPUT ${dir}/orvex-programmer.png
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${ORVEX_RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/orvex-programmer.png ${res}/orvex-programmer.svg
      DEPENDS ${res}/orvex-programmer.svg
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND outputs ${dir}/orvex-programmer.png)
    install(FILES ${dir}/orvex-programmer.png DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${res}/orvex-programmer.svg DESTINATION share/icons/hicolor/scalable/apps)

  install(FILES ${res}/orvex-programmer.desktop DESTINATION share/applications RENAME ${ORVEX_APP_ID}.desktop)
  orvex_release_date(${res}/package/changelog ORVEX_RELEASE_DATE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${res}/package/changelog)
  configure_file(${res}/orvex-programmer.metainfo.xml.in ${out}/${ORVEX_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${out}/${ORVEX_APP_ID}.metainfo.xml DESTINATION share/metainfo)

  # Debian wants both compressed, without a name or time stamp inside.
  add_custom_command(OUTPUT ${out}/orvex-programmer.1.gz
    # help2man runs the program through a shell, as its path stands: from its own
    # folder, since the tree's path may hold a space.
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ORVEX_RELEASE_DATE_EPOCH} ${ORVEX_HELP2MAN} --no-info --include=${res}/orvex-programmer.h2m
      --output=${out}/orvex-programmer.1 ./$<TARGET_FILE_NAME:${program}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${program}>
    COMMAND ${ORVEX_GZIP} -n -9 -f ${out}/orvex-programmer.1
    DEPENDS ${program} ${res}/orvex-programmer.h2m
    COMMENT "Making the manual page from orvex-programmer --help"
    VERBATIM)
  add_custom_command(OUTPUT ${out}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${res}/package/changelog ${out}/changelog
    COMMAND ${ORVEX_GZIP} -n -9 -f ${out}/changelog
    DEPENDS ${res}/package/changelog
    VERBATIM)
  list(APPEND outputs ${out}/orvex-programmer.1.gz ${out}/changelog.gz)
  install(FILES ${out}/orvex-programmer.1.gz DESTINATION share/man/man1)
  install(FILES ${out}/changelog.gz ${res}/package/copyright DESTINATION ${doc})
  install(FILES ${res}/package/77-orvex-ignore-modemmanager.rules DESTINATION ${doc}/examples)

  add_custom_target(orvex_desktop_files ALL DEPENDS ${outputs})
endfunction()
