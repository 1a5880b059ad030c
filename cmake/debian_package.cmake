# make package: a Debian package of the installed tree under /usr, built by
# CPack (cpack -G DEB in the build folder gives kj_VERSION_ARCH.deb).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kj)
set(CPACK_PACKAGE_VENDOR "The Kj developers")
set(CPACK_PACKAGE_CONTACT "The Kj developers <kj@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "object-oriented matrix language for statistics and econometrics")
# The long description, one line of the control file a line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[
Kj compiles and runs programs in an object-oriented matrix language for
statistics and econometrics, and programs in the GAUSS dialect. This package
holds the console program kj, the shared library libkj80x with its C
interface for host programs, native packages (MPI among them), pkg-config
and CMake files for building hosts and packages, and the manual pages.]])
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Dependencies: every library the package's programs and libraries are linked
# with (dpkg-shlibdeps finds their packages), and the libraries that Kj loads
# when a program first needs them: OpenBLAS, else the reference BLAS and
# LAPACK; cairo for PNG pictures; FFTW for Fourier transforms; libsleef for
# the vector math functions; libedit for the console's prompt.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libopenblas0 | libblas3, libopenblas0 | liblapack3, libcairo2, libfftw3-double3, libsleef3, libedit2")
# mpirun, for programs of the MPI package; the tools that build hosts and packages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "openmpi-bin")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pkg-config, cmake, gcc")
# What packages linked with libkj80x.so.8 depend on (dpkg-shlibdeps reads it);
# the package libraries in lib/kj80x have no SONAME and need no entry.
file(WRITE ${CMAKE_BINARY_DIR}/debian/shlibs "libkj80x ${PROJECT_VERSION_MAJOR} kj (>= ${PROJECT_VERSION})\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/shlibs)
# Debian keeps a package's copyright file in /usr/share/doc/PACKAGE.
set(CPACK_INSTALL_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian_copyright.cmake)
set(CPACK_KJ_COPYRIGHT_FILE ${CMAKE_SOURCE_DIR}/doc/copyright)
include(CPack)
