# What `make install` (cmake --install) puts where: folders in install_dirs.cmake.
include(CMakePackageConfigHelpers)

install(TARGETS kj RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kj80x EXPORT KjTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/kj80x.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The standard include folder: everything in include/ but the C header.
install(DIRECTORY include/ DESTINATION ${KJ_INSTALL_DATADIR}/include PATTERN kj80x.h EXCLUDE)

# pkg-config: the prefix is found from the .pc file's own place.
configure_file(cmake/kj80x.pc.in ${CMAKE_BINARY_DIR}/kj80x.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kj80x.pc DESTINATION ${KJ_INSTALL_PKGCONFIGDIR})

# The CMake package: find_package(Kj) gives Kj::kj80x and kj_add_package.
configure_package_config_file(cmake/KjConfig.cmake.in ${CMAKE_BINARY_DIR}/KjConfig.cmake
  INSTALL_DESTINATION ${KJ_INSTALL_CMAKEDIR}
  PATH_VARS CMAKE_INSTALL_INCLUDEDIR KJ_INSTALL_DATADIR KJ_INSTALL_MODULEDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KjConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(EXPORT KjTargets NAMESPACE Kj:: DESTINATION ${KJ_INSTALL_CMAKEDIR})
install(FILES ${CMAKE_BINARY_DIR}/KjConfig.cmake ${CMAKE_BINARY_DIR}/KjConfigVersion.cmake cmake/KjPackage.cmake
        DESTINATION ${KJ_INSTALL_CMAKEDIR})

# Manual pages, compressed as man expects them.
foreach(page kj.1 kj80x.3)
  string(REGEX REPLACE ".*\\." "" section ${page})
  configure_file(doc/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/man/${page}
    DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
    COMMENT "Compressing the manual page ${page}")
  list(APPEND KJ_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${page}.gz)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(kj_man_pages ALL DEPENDS ${KJ_MAN_PAGES})

# Licences: Kj's own, and every library the installed files use (a Debian
# copyright file).
install(FILES LICENSE doc/copyright DESTINATION ${KJ_INSTALL_DOCDIR})
