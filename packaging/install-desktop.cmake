# Runs at install time, when CMAKE_INSTALL_PREFIX is the prefix actually installed into: the
# launcher, whose command names the installed application folder, and the links.
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

# TryExec, the same path as a plain key-file value: a launcher left behind is hidden, not broken.
string(REPLACE "\\" "\\\\" ARKWELL_TRYEXEC "${app_folder}/arkwell")

# The applications menu's launcher.
configure_file("${ARKWELL_SOURCE_DIR}/packaging/arkwell.desktop.in"
               "${root}${CMAKE_INSTALL_PREFIX}/share/applications/arkwell.desktop" @ONLY)
arkwell_installed("${CMAKE_INSTALL_PREFIX}/share/applications/arkwell.desktop")

# zip under the same prefix (the Debian package's /usr) is linked relatively, so the link
# stays right inside the package; elsewhere by its full path.
string(FIND "${ARKWELL_SYSTEM_ZIP}" "${CMAKE_INSTALL_PREFIX}/" zip_under_prefix)
if(zip_under_prefix EQUAL 0)
  file(RELATIVE_PATH zip_target "${app_folder}" "${ARKWELL_SYSTEM_ZIP}")
else()
  set(zip_target "${ARKWELL_SYSTEM_ZIP}")
endif()
arkwell_link("${zip_target}" "${app_folder}/zip")
arkwell_link("../${ARKWELL_INSTALL_APP_DIR}/arkwell" "${CMAKE_INSTALL_PREFIX}/bin/arkwell")
