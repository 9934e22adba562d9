# One program folder, as the agent expects to find it (the executable's folder): the agent, an empty
# buffer.mdb, a commented vornnet.ini.example and the icon. Default prefix /opt/vornnet.
#
#   cmake --install build                        the program folder
#   cmake --install build --component services   the systemd unit and the XDG autostart entry

set(VORNNET_PACKAGE_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS vornnet RUNTIME DESTINATION . COMPONENT program)
install(FILES ${VORNNET_PACKAGE_DIR}/vornnet.ini.example ${VORNNET_PACKAGE_DIR}/vornnet.svg
        DESTINATION . COMPONENT program)

# The agent never creates its buffer; the installation does, with the agent itself, and only where
# none exists, so that installing again keeps the notices waiting in it. The package does the same in
# its postinst instead: a buffer.mdb shipped in the .deb would be replaced on every upgrade.
install(CODE [[
    set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    if(EXISTS "${folder}/buffer.mdb")
        message(STATUS "Kept: ${folder}/buffer.mdb")
    else()
        execute_process(COMMAND "${folder}/vornnet" --create-buffer --folder "${folder}"
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "vornnet --create-buffer failed (${rc}): ${err}")
        endif()
        message(STATUS "Created: ${folder}/buffer.mdb")
    endif()
]] COMPONENT buffer)

# The systemd unit and the desktop autostart entry live outside the program folder: installed on
# request (`cmake --install build --component services`) and by the package.
configure_file(${VORNNET_PACKAGE_DIR}/vornnet.service.in ${CMAKE_BINARY_DIR}/package/vornnet.service @ONLY)
configure_file(${VORNNET_PACKAGE_DIR}/vornnet.desktop.in ${CMAKE_BINARY_DIR}/package/vornnet.desktop @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/vornnet.service DESTINATION /lib/systemd/system
        COMPONENT services EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_BINARY_DIR}/package/vornnet.desktop DESTINATION /etc/xdg/autostart
        COMPONENT services EXCLUDE_FROM_ALL)

# The documents, where Debian keeps them (read by `ls /usr/share/doc/vornnet`), and the agent on the PATH:
# /usr/bin/vornnet points at the program folder's executable, which still finds its folder through
# /proc/self/exe. Both are the package's (component docs), and `cmake --install --component docs`.
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/CONFIGURATION.md
              ${CMAKE_SOURCE_DIR}/docs/SQLSERVER.md ${CMAKE_SOURCE_DIR}/docs/TLS.md ${VORNNET_PACKAGE_DIR}/copyright
        DESTINATION /usr/share/doc/vornnet COMPONENT docs EXCLUDE_FROM_ALL)
# The polkit rule that lets vornnet restart the supervision system's unit is an example only: the unit's
# name is the site's, and an active rule must name exactly that unit, so the integrator copies it to
# /etc/polkit-1/rules.d/ when setting GelmarUnit.
install(FILES ${VORNNET_PACKAGE_DIR}/vornnet-gelmar.rules DESTINATION /usr/share/doc/vornnet/examples
        COMPONENT docs EXCLUDE_FROM_ALL)
configure_file(${VORNNET_PACKAGE_DIR}/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/changelog.gz
                   COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/package/changelog > ${CMAKE_BINARY_DIR}/package/changelog.gz
                   DEPENDS ${CMAKE_BINARY_DIR}/package/changelog)
add_custom_target(vornnet_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION /usr/share/doc/vornnet COMPONENT docs
        EXCLUDE_FROM_ALL)
# The manual page, compressed as Debian's policy wants it (no name or time stamp in the gzip header, so the
# package is the same from one build to the next).
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package/vornnet.1.gz
                   COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/docs/vornnet.1 > ${CMAKE_BINARY_DIR}/package/vornnet.1.gz
                   DEPENDS ${CMAKE_SOURCE_DIR}/docs/vornnet.1)
add_custom_target(vornnet_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/package/vornnet.1.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/vornnet.1.gz DESTINATION /usr/share/man/man1 COMPONENT docs
        EXCLUDE_FROM_ALL)
install(FILES ${VORNNET_PACKAGE_DIR}/lintian-overrides DESTINATION /usr/share/lintian/overrides RENAME vornnet
        COMPONENT docs EXCLUDE_FROM_ALL)
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}/usr/bin\")
file(CREATE_LINK \"${CMAKE_INSTALL_PREFIX}/vornnet\" \"\$ENV{DESTDIR}/usr/bin/vornnet\" SYMBOLIC)"
        COMPONENT docs EXCLUDE_FROM_ALL)
