# Removes what `make install` installed: cmake -DMANIFEST=file -P uninstall.cmake,
# with the list of installed files that make install kept. Folders of Kj's own
# (kj80x, cmake/Kj, jupyter/kernels/kj) go too once they are empty; shared
# folders such as bin/ or share/man/ stay.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: no list of installed files (${MANIFEST}); run make install first")
endif()
file(STRINGS "${MANIFEST}" files)
set(folders "")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
  # Every folder between the file and the nearest folder of Kj's own.
  get_filename_component(dir "${file}" DIRECTORY)
  while(dir MATCHES "/(kj80x|cmake/Kj|kernels/kj)(/|$)")
    list(APPEND folders "${dir}")
    get_filename_component(dir "${dir}" DIRECTORY)
  endwhile()
endforeach()
# Deepest folders first, each only when nothing else is left in it.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(dir IN LISTS folders)
  file(GLOB left "${dir}/*" "${dir}/.*")
  if(IS_DIRECTORY "${dir}" AND NOT left)
    file(REMOVE_RECURSE "${dir}")
  endif()
endforeach()
