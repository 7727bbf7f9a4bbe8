# Runs at install time, when CMAKE_INSTALL_PREFIX is the prefix actually installed into: the
# pieces whose contents name the installed application folder, and the links.
set(root "$ENV{DESTDIR}")
set(app_folder "${CMAKE_INSTALL_PREFIX}/${ARKWELL_INSTALL_APP_DIR}")

function(arkwell_installed path)
  message(STATUS "Installing: ${root}${path}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}${path}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

function(arkwell_link target link)
  get_filename_component(folder "${root}${link}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(REMOVE "${root}${link}")
  file(CREATE_LINK "${target}" "${root}${link}" SYMBOLIC)
  arkwell_installed("${link}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()

# A desktop entry's Exec value: the program's path quoted, with the characters that are
# special inside the quotes escaped, and "%" doubled (field codes).
set(exec "${app_folder}/arkwell")
string(REPLACE "\\" "\\\\" exec "${exec}")
foreach(special "\"" "`" "$")
  string(REPLACE "${special}" "\\${special}" exec "${exec}")
endforeach()
string(REPLACE "%" "%%" exec "${exec}")
# The key-file format then doubles every backslash once more.
string(REPLACE "\\" "\\\\" ARKWELL_EXEC "\"${exec}\"")
set(ARKWELL_ICON "${app_folder}/icons/arkwell.svg")

# The applications menu's launcher, and the log-in autostart entry that starts the agent
# with its job list window hidden.
function(arkwell_entry template destination)
  configure_file("${ARKWELL_SOURCE_DIR}/packaging/${template}" "${root}${destination}" @ONLY)
  arkwell_installed("${destination}")
  set(CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_MANIFEST_FILES}" PARENT_SCOPE)
endfunction()
arkwell_entry(arkwell.desktop.in "${CMAKE_INSTALL_PREFIX}/share/applications/arkwell.desktop")
arkwell_entry(arkwell-autostart.desktop.in "${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart/arkwell.desktop")

arkwell_link("${ARKWELL_SYSTEM_ZIP}" "${app_folder}/zip")
arkwell_link("../${ARKWELL_INSTALL_APP_DIR}/arkwell" "${CMAKE_INSTALL_PREFIX}/bin/arkwell")
