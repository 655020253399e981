# The embedded catalogue: every asset file of assets/catalogue/ plus the level file, turned
# at build time into read-only data of the executable (tools/catalogue/generate.cmake).
# Sets TAVRIN_CATALOGUE_SOURCES (generated sources for the gfx library) and
# TAVRIN_CATALOGUE_INCLUDE_DIR (where the generated catalogue.h lies).

set(TAVRIN_CATALOGUE_DIR "${CMAKE_BINARY_DIR}/gfx_catalogue")
set(TAVRIN_CATALOGUE_INCLUDE_DIR "${TAVRIN_CATALOGUE_DIR}")
file(MAKE_DIRECTORY "${TAVRIN_CATALOGUE_DIR}")

# Content may arrive after the code: globbing at every build picks up new files.
file(GLOB tavrin_catalogue_files CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/assets/catalogue/*.565"
  "${CMAKE_SOURCE_DIR}/assets/catalogue/*.jpg"
  "${CMAKE_SOURCE_DIR}/assets/catalogue/*.raw"
  "${CMAKE_SOURCE_DIR}/assets/catalogue/*.tvm")

set(tavrin_catalogue_manifest "")
set(tavrin_catalogue_depends "")
set(tavrin_catalogue_level "")
if(TAVRIN_LEVEL_FILE)
  set(tavrin_catalogue_level "${TAVRIN_LEVEL_FILE}")
elseif(EXISTS "${CMAKE_SOURCE_DIR}/assets/catalogue/t1.tvm")
  set(tavrin_catalogue_level "${CMAKE_SOURCE_DIR}/assets/catalogue/t1.tvm")
endif()
foreach(f IN LISTS tavrin_catalogue_files)
  get_filename_component(n "${f}" NAME)
  if(n STREQUAL "t1.tvm")
    continue()  # the level file is added below, from wherever it is built
  endif()
  string(APPEND tavrin_catalogue_manifest "${n}|${f}\n")
  list(APPEND tavrin_catalogue_depends "${f}")
endforeach()
if(tavrin_catalogue_level)
  string(APPEND tavrin_catalogue_manifest "t1.tvm|${tavrin_catalogue_level}\n")
  list(APPEND tavrin_catalogue_depends "${tavrin_catalogue_level}")
endif()

# The manifest changes only when the set of files does; the generation depends on it so that
# a file that appears or disappears regenerates the catalogue.
set(tavrin_manifest_file "${TAVRIN_CATALOGUE_DIR}/manifest.txt")
include("${CMAKE_SOURCE_DIR}/cmake/write_if_changed.cmake")
tavrin_write_if_changed("${tavrin_manifest_file}" "${tavrin_catalogue_manifest}")

set(tavrin_catalogue_generator "${CMAKE_SOURCE_DIR}/tools/catalogue/generate.cmake")
set(tavrin_catalogue_target_deps "")
if(TAVRIN_LEVEL_FILE AND TAVRIN_LEVEL_TARGET)
  list(APPEND tavrin_catalogue_target_deps ${TAVRIN_LEVEL_TARGET})
endif()
add_custom_command(
  OUTPUT "${TAVRIN_CATALOGUE_DIR}/catalogue_data.cpp" "${TAVRIN_CATALOGUE_DIR}/catalogue.h"
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${tavrin_manifest_file} -DOUT_DIR=${TAVRIN_CATALOGUE_DIR} -DARRAYS=${EMSCRIPTEN}
          -P ${tavrin_catalogue_generator}
  DEPENDS ${tavrin_catalogue_generator} ${tavrin_manifest_file} ${tavrin_catalogue_depends}
          ${tavrin_catalogue_target_deps}
  COMMENT "Generating the embedded catalogue"
  VERBATIM)
set(TAVRIN_CATALOGUE_SOURCES
  "${TAVRIN_CATALOGUE_DIR}/catalogue_data.cpp" "${TAVRIN_CATALOGUE_DIR}/catalogue.h")
# The level file is built by another target; the library waits for it.
if(TAVRIN_LEVEL_FILE AND TAVRIN_LEVEL_TARGET)
  add_custom_target(tavrin_catalogue_deps DEPENDS ${TAVRIN_LEVEL_TARGET})
endif()
