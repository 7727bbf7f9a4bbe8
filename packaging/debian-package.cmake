# The Debian package (cpack -G DEB in the build folder, or the "package" target): the same
# install rules with the prefix /usr. Its dependencies are computed from the program's
# libraries (dpkg-shlibdeps) plus zip, which the program runs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME arkwell)
set(CPACK_PACKAGE_VENDOR "The Arkwell developers")
set(CPACK_PACKAGE_CONTACT "The Arkwell developers <arkwell@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "scheduler of named backup jobs for one desktop user")
set(CPACK_PACKAGE_DESCRIPTION "Arkwell keeps a set of named backup jobs and runs each one by itself
when it falls due: single files, whole folders and groups of files of one
kind, zipped with Info-ZIP zip (full or incremental, optionally with a
password, keeping earlier archives) or copied, daily, on chosen weekdays or
monthly. It lives in the system tray when there is one.")
# Installed with DESTDIR, so that the prefix the install rules see (and write into the
# launcher) is /usr, not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS zip)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, unzip")
include(CPack)
