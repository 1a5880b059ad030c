# Building Kj packages and kernel libraries with CMake.
#
#   find_package(Kj REQUIRED)  # an installed Kj (or include() this file of the Kj tree)
#   kj_add_package(mypkg SOURCES mypkg.c [OUTPUT_DIRECTORY dir] [LIBRARIES lib...])
#
# builds mypkg_64.so, the name a binding to the library "mypkg" tries first.
# Place it in a folder of the include/link path, in packages/mypkg/ of such a
# folder, or beside libkj80x.so. A kernel library is a package named
# kjkernelNAME, loaded with kj -kNAME. KJ_INCLUDE_DIR is the folder of kj80x.h:
# found beside this file, in the Kj tree, or in an installed tree.
if(NOT DEFINED KJ_INCLUDE_DIR)
  foreach(dir ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../include ${CMAKE_CURRENT_LIST_DIR}/../../../include)
    if(EXISTS ${dir}/kj80x.h)
      get_filename_component(KJ_INCLUDE_DIR ${dir} ABSOLUTE)
      break()
    endif()
  endforeach()
endif()

function(kj_add_package name)
  cmake_parse_arguments(PKG "" "OUTPUT_DIRECTORY" "SOURCES;LIBRARIES;DEFINITIONS" ${ARGN})
  if(NOT PKG_SOURCES)
    message(FATAL_ERROR "kj_add_package(${name}): no SOURCES")
  endif()
  add_library(${name} MODULE ${PKG_SOURCES})
  target_include_directories(${name} PRIVATE ${KJ_INCLUDE_DIR})
  target_compile_definitions(${name} PRIVATE ${PKG_DEFINITIONS})
  # The functions of the runtime come from the process that loads the package;
  # inside the Kj build tree it links against the library itself.
  if(TARGET kj80x)
    target_link_libraries(${name} PRIVATE kj80x)
  endif()
  if(PKG_LIBRARIES)
    target_link_libraries(${name} PRIVATE ${PKG_LIBRARIES})
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}_64 SUFFIX ".so"
                        C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden)
  if(PKG_OUTPUT_DIRECTORY)
    set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PKG_OUTPUT_DIRECTORY})
  endif()
endfunction()
