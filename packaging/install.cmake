# cmake --install: one application folder under the prefix (the program, its zip link, the
# help page and the icons; the program keeps its jobs, logs and preferences there too), a
# "bin/arkwell" link to the program, the applications menu's launcher and the autostart entry.
set(ARKWELL_INSTALL_APP_DIR lib/arkwell)
install(TARGETS arkwell RUNTIME DESTINATION ${ARKWELL_INSTALL_APP_DIR})
install(FILES packaging/Arkwell_Help.htm DESTINATION ${ARKWELL_INSTALL_APP_DIR})
if(EXISTS ${CMAKE_SOURCE_DIR}/LICENSE)
  install(FILES LICENSE DESTINATION ${ARKWELL_INSTALL_APP_DIR})
endif()
file(GLOB ARKWELL_ICON_SIZES CONFIGURE_DEPENDS packaging/icons/arkwell-*.png)
install(FILES packaging/arkwell.svg ${ARKWELL_ICON_SIZES} DESTINATION ${ARKWELL_INSTALL_APP_DIR}/icons)
install(CODE "
  set(ARKWELL_SOURCE_DIR \"${CMAKE_SOURCE_DIR}\")
  set(ARKWELL_SYSTEM_ZIP \"${ARKWELL_SYSTEM_ZIP}\")
  set(ARKWELL_INSTALL_APP_DIR \"${ARKWELL_INSTALL_APP_DIR}\")")
install(SCRIPT packaging/install-desktop.cmake)
