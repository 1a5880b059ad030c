# Run by CPack while it stages the Debian package (CPACK_INSTALL_SCRIPTS, with
# DESTDIR set to the staging folder): the copyright file goes where Debian
# expects it, /usr/share/doc/PACKAGE.
file(INSTALL "${CPACK_KJ_COPYRIGHT_FILE}"
     DESTINATION "${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME}")
