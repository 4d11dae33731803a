# The Debian package: CPack's DEB generator over the install rules above, so
# the package holds exactly what `cmake --install` puts into a prefix.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${RK_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "RK_VAD2AV developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "copies Ravelkamp 5 data from Paradox tables into Ravelkamp VI
RK_VAD2AV reads the data of Ravelkamp 5 from its Paradox tables (the engine
alias DBRK) and writes it into the eleven IMPORT_RK5_* staging tables of a
Ravelkamp VI Firebird database. The Paradox tables are only read.
It runs as a small German window or unattended with -auto. The package also
holds rk_pxdump, which prints a Paradox table as JSON Lines.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The libraries the binaries link come from dpkg-shlibdeps; these are loaded
# at run time and no tool can see them: the Firebird client (dlopen) and its
# engine for files opened without a server, Qt's platform plugins (xcb,
# offscreen) and Qt's German texts for the file dialog.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfbclient2, firebird3.0-server-core, qt6-qpa-plugins, qt6-translations-l10n")
include(CPack)
