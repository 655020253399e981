# Builds the scrambled level file from assets/levels/ and sets TAVRIN_LEVEL_FILE.
#
# levelc links the game's own scrambler (world/cipher.cpp) and level source parser, so the
# file it writes is read back by the very code that wrote it. It is built from a few world
# sources directly, not from the game's libraries, which embed the level file.
add_executable(levelc
  tools/levels/levelc.cpp
  tools/levels/render.cpp
  world/cipher.cpp
  world/levelsource.cpp
  world/tint.cpp)
target_include_directories(levelc PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(levelc PRIVATE PNG::PNG)

# A cross build can run the level compiler of a native build (TAVRIN_HOST_LEVELC, what
# `make arm` does: quicker, and the file is the same on every machine); without one, its own
# levelc runs under the toolchain's emulator.
set(TAVRIN_HOST_LEVELC "" CACHE FILEPATH "A level compiler that runs on the build machine (cross builds)")
if(TAVRIN_HOST_LEVELC)
  set(TAVRIN_LEVELC_COMMAND "${TAVRIN_HOST_LEVELC}")
else()
  set(TAVRIN_LEVELC_COMMAND levelc)
endif()

set(TAVRIN_LEVEL_DIR "${CMAKE_SOURCE_DIR}/assets/levels")
set(TAVRIN_LEVEL_ORDER "${TAVRIN_LEVEL_DIR}/order.txt")
if(NOT EXISTS "${TAVRIN_LEVEL_ORDER}")
  # Until the level set is in the tree, a few tiny levels keep the build whole.
  message(STATUS "assets/levels/order.txt not found: building the placeholder level set")
  set(TAVRIN_LEVEL_DIR "${CMAKE_SOURCE_DIR}/tools/levels/placeholder")
  set(TAVRIN_LEVEL_ORDER "${TAVRIN_LEVEL_DIR}/order.txt")
endif()
file(GLOB TAVRIN_LEVEL_SOURCES CONFIGURE_DEPENDS
  "${CMAKE_SOURCE_DIR}/assets/levels/*.txt"
  "${CMAKE_SOURCE_DIR}/tools/levels/placeholder/*.txt")

set(TAVRIN_LEVEL_FILE "${CMAKE_BINARY_DIR}/levels/t1.tvm")
set(TAVRIN_LEVEL_TARGET tavrin_levels)
add_custom_command(
  OUTPUT "${TAVRIN_LEVEL_FILE}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/levels"
  COMMAND ${TAVRIN_LEVELC_COMMAND} build "${TAVRIN_LEVEL_ORDER}" "${TAVRIN_LEVEL_FILE}"
  DEPENDS ${TAVRIN_LEVELC_COMMAND} ${TAVRIN_LEVEL_SOURCES} "${TAVRIN_LEVEL_ORDER}"
  COMMENT "Compiling the level file t1.tvm"
  VERBATIM)
add_custom_target(${TAVRIN_LEVEL_TARGET} ALL DEPENDS "${TAVRIN_LEVEL_FILE}")

# Review pictures: `cmake --build <dir> --target level_pictures` draws every level and a
# contact sheet of the set into <dir>/levels/ (with the map tiles once they exist).
set(_tavrin_maptiles "${CMAKE_SOURCE_DIR}/assets/catalogue/maptile.565")
set(_tavrin_tiles "${CMAKE_SOURCE_DIR}/assets/catalogue/TavTile.565")
set(_tavrin_sheet_args "")
if(EXISTS "${_tavrin_maptiles}")
  set(_tavrin_sheet_args --maptiles "${_tavrin_maptiles}")
endif()
set(_tavrin_png_args ${_tavrin_sheet_args})
if(EXISTS "${_tavrin_tiles}")
  set(_tavrin_png_args --tiles "${_tavrin_tiles}")
endif()
set(_tavrin_pictures)
file(GLOB _tavrin_picture_sources CONFIGURE_DEPENDS "${TAVRIN_LEVEL_DIR}/*.txt")
foreach(src ${_tavrin_picture_sources})
  get_filename_component(_name "${src}" NAME_WE)
  if(_name STREQUAL "order")
    continue()
  endif()
  set(_png "${CMAKE_BINARY_DIR}/levels/${_name}.png")
  add_custom_command(OUTPUT "${_png}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/levels"
    COMMAND levelc png "${src}" "${_png}" ${_tavrin_png_args}
    DEPENDS levelc "${src}" VERBATIM)
  list(APPEND _tavrin_pictures "${_png}")
endforeach()
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/levels/contact-sheet.png"
  COMMAND levelc sheet "${TAVRIN_LEVEL_ORDER}" "${CMAKE_BINARY_DIR}/levels/contact-sheet.png" ${_tavrin_sheet_args}
  DEPENDS levelc ${TAVRIN_LEVEL_SOURCES} VERBATIM)
add_custom_target(level_pictures DEPENDS ${_tavrin_pictures} "${CMAKE_BINARY_DIR}/levels/contact-sheet.png")
