# Where an installed Kj keeps its files, relative to the install prefix
# (CMAKE_INSTALL_PREFIX, or --prefix of cmake --install, with DESTDIR in front):
#
#   bin/kj                                the console program
#   lib/libkj80x.so.8.0.0 (.so.8, .so)    the library
#   lib/kj80x/                            package and kernel libraries (NAME_64.so)
#   lib/pkgconfig/kj80x.pc, lib/cmake/Kj/ for hosts and packages built against Kj
#   include/kj80x.h                       the C interface
#   share/kj80x/include/                  kjstd.kjh, kjgauss.kj, kjgauss/ (the standard include folder)
#   share/kj80x/packages/NAME/            headers of the packages (#include <packages/NAME/NAME.kjh>)
#   share/kj80x/help/                     the help reference
#   share/kj80x/kjpackage.mk              the make fragment for building packages
#   share/doc/kj80x/                      LICENSE, copyright; html/ the HTML documentation
#   share/jupyter/kernels/kj/             the notebook kernel's description
#   share/man/man1/kj.1, man3/kj80x.3     manual pages
#
# The library finds share/kj80x and lib/kj80x relative to its own file
# (src/runtime/include_path.cpp), so the installed tree works under any
# prefix and can be moved as a whole. Later parts add their files with
# install(... DESTINATION ${KJ_INSTALL_HELPDIR}) and the like.
set(KJ_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/kj80x)
set(KJ_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/kj80x)  # the library looks in kj80x/ beside itself
set(KJ_INSTALL_HELPDIR ${KJ_INSTALL_DATADIR}/help)
set(KJ_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kj80x)
set(KJ_INSTALL_HTMLDIR ${KJ_INSTALL_DOCDIR}/html)
set(KJ_INSTALL_JUPYTERDIR ${CMAKE_INSTALL_DATADIR}/jupyter/kernels/kj)
set(KJ_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kj)
set(KJ_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The relative paths between them that installed files are built with.
function(kj_relative_install_path var from to)
  file(RELATIVE_PATH rel /prefix/${from} /prefix/${to})
  string(REGEX REPLACE "/$" "" rel "${rel}")
  set(${var} ${rel} PARENT_SCOPE)
endfunction()
kj_relative_install_path(KJ_DATA_FROM_LIBRARY ${CMAKE_INSTALL_LIBDIR} ${KJ_INSTALL_DATADIR})
kj_relative_install_path(KJ_LIBDIR_FROM_BINDIR ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBDIR})
kj_relative_install_path(KJ_PREFIX_FROM_PKGCONFIGDIR ${KJ_INSTALL_PKGCONFIGDIR} "")
