# The Debian package: `cpack -G DEB` in the build folder makes vornnet_<version>_<arch>.deb with the
# program folder and the services. Settings and state (vornnet.ini, status.ini, buffer.mdb, the position
# files, the logs) are never files of the package: dpkg leaves them alone on upgrade and removal, and the
# postinst makes the empty buffer.mdb only where none exists.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornnet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VORN-NET")
set(CPACK_PACKAGE_CONTACT "VORN-NET integrators <soporte@vorn-net.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VORN-NET agent: plant alarms to a central station")
set(CPACK_PACKAGE_DESCRIPTION
    "Resident agent for the PC of a plant supervision system. It reads every new\n\
alarm from the supervision databases and forwards it over TCP to a remote\n\
central station, falls back to SMS through a GSM modem, watches the supervision\n\
system and keeps monthly event logs. Installed in ${CMAKE_INSTALL_PREFIX}, with a\n\
systemd unit (vornnet.service) and a desktop autostart entry.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

# The program folder and the services; the buffer is the postinst's (see Install.cmake).
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL program services docs)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the agent links come from dpkg-shlibdeps; what it loads at run time is named here: the
# Qt SQL drivers and platform plugins, the ODBC driver manager and FreeTDS, Qt's Spanish texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-odbc, qt6-qpa-plugins, unixodbc, tdsodbc, qt6-translations-l10n, passwd, libsystemd0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "freetds-bin, xdg-utils")
configure_file(${VORNNET_PACKAGE_DIR}/postinst.in ${CMAKE_BINARY_DIR}/package/postinst @ONLY)
configure_file(${VORNNET_PACKAGE_DIR}/prerm.in ${CMAKE_BINARY_DIR}/package/prerm @ONLY)
configure_file(${VORNNET_PACKAGE_DIR}/postrm.in ${CMAKE_BINARY_DIR}/package/postrm @ONLY)
# Every file under /etc is a conffile: a local edit (the autostart entry turned on) survives an upgrade.
file(WRITE ${CMAKE_BINARY_DIR}/package/conffiles "/etc/xdg/autostart/vornnet.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/package/postinst ${CMAKE_BINARY_DIR}/package/prerm ${CMAKE_BINARY_DIR}/package/postrm
    ${CMAKE_BINARY_DIR}/package/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
