# kj_library_source_options(): the compile options that single library
# sources need, whichever target compiles them. Source properties hold only in
# the directory that sets them, so every directory whose targets compile
# library sources (the library here, the fuzz targets) calls this.
#   - a vector kernel named *_avx2.cpp or *_avx512.cpp is built for its
#     instruction set (and called only on processors that have it);
#   - random-number sequences are reproducible bit for bit: no fused
#     multiply-adds in src/num/random/;
#   - only the PNG writer and the loader of cairo see cairo's headers;
#   - the version that kj --version names, where the installed library finds
#     its data folder, and whether FFTW supplies the FFT kernel.
function(kj_library_source_options)
  file(GLOB_RECURSE avx2 CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*_avx2.cpp)
  file(GLOB_RECURSE avx512 CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*_avx512.cpp)
  file(GLOB random CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/num/random/*.cpp)
  if(avx2)
    set_source_files_properties(${avx2} PROPERTIES COMPILE_OPTIONS "-mavx2;-mfma")
  endif()
  if(avx512)
    set_source_files_properties(${avx512} PROPERTIES COMPILE_OPTIONS "-mavx512f;-mfma")
  endif()
  set_source_files_properties(${random} PROPERTIES COMPILE_OPTIONS "-ffp-contract=off")
  set_source_files_properties(${CMAKE_SOURCE_DIR}/src/graphics/png_writer.cpp
    ${CMAKE_SOURCE_DIR}/src/graphics/cairo_library.cpp
    PROPERTIES INCLUDE_DIRECTORIES "${CAIRO_INCLUDE_DIRS}")
  set_source_files_properties(${CMAKE_SOURCE_DIR}/src/api/driver.cpp
    PROPERTIES COMPILE_DEFINITIONS "KJ_VERSION=\"${PROJECT_VERSION}\"")
  set_source_files_properties(${CMAKE_SOURCE_DIR}/src/runtime/include_path.cpp
    PROPERTIES COMPILE_DEFINITIONS "KJ_DATA_FROM_LIBRARY=\"${KJ_DATA_FROM_LIBRARY}\"")
  if(KJ_FFTW)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/src/num/timeseries/fourier.cpp
      PROPERTIES COMPILE_DEFINITIONS KJ_WITH_FFTW)
  endif()
endfunction()
