# cmake --install (and the Debian package, made from the same rules): one application folder
# under the prefix with the program, its zip link, the help page and the icons; a
# "bin/arkwell" link to the program; the applications menu's launcher; the icons in the
# hicolor theme; the AppStream metainfo; the manual page; the copyright file and changelog. The program keeps
# its jobs, preferences and logs in the user's data folder when it can't write into its own.
set(ARKWELL_INSTALL_APP_DIR lib/arkwell)
set(ARKWELL_APPSTREAM_ID org.example.arkwell)
install(TARGETS arkwell RUNTIME DESTINATION ${ARKWELL_INSTALL_APP_DIR})
install(FILES packaging/Arkwell_Help.htm DESTINATION ${ARKWELL_INSTALL_APP_DIR})
file(GLOB ARKWELL_ICON_SIZES CONFIGURE_DEPENDS packaging/icons/arkwell-*.png)
install(FILES packaging/arkwell.svg ${ARKWELL_ICON_SIZES} DESTINATION ${ARKWELL_INSTALL_APP_DIR}/icons)
foreach(icon ${ARKWELL_ICON_SIZES})
  string(REGEX REPLACE ".*arkwell-([0-9]+)\\.png$" "\\1" size "${icon}")
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME arkwell.png)
endforeach()
install(FILES packaging/arkwell.svg DESTINATION share/icons/hicolor/scalable/apps)
configure_file(packaging/arkwell.metainfo.xml.in ${ARKWELL_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${ARKWELL_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo)

# The copyright file, and the changelog and manual page compressed as Debian wants them (gzip -9n: no name,
# no time stamp, so every build gives the same bytes).
install(FILES packaging/copyright DESTINATION share/doc/arkwell)
foreach(document changelog arkwell.1)
  add_custom_command(OUTPUT ${document}.gz
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/${document} > ${document}.gz
    DEPENDS packaging/${document} VERBATIM)
endforeach()
add_custom_target(arkwell_documents ALL DEPENDS changelog.gz arkwell.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION share/doc/arkwell)
install(FILES ${CMAKE_BINARY_DIR}/arkwell.1.gz DESTINATION share/man/man1)

install(CODE "
  set(ARKWELL_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")
  set(ARKWELL_SYSTEM_ZIP \"${ARKWELL_SYSTEM_ZIP}\")
  set(ARKWELL_INSTALL_APP_DIR \"${ARKWELL_INSTALL_APP_DIR}\")")
install(SCRIPT packaging/install-desktop.cmake)
