# `make run` installs only what the game needs, so a player's first build has no GoogleTest:
# the game builds without the unit and whole-program tests then, and `make test`, which
# installs libgtest-dev, configures them in.
find_package(GTest)
if(NOT GTest_FOUND)
  message(STATUS "GoogleTest not found (libgtest-dev): the unit and whole-program tests are left out")
  return()
endif()
include(GoogleTest)

# Unit tests: every tests/unit/*.cpp in one executable.
file(GLOB TAVRIN_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
if(TAVRIN_UNIT_TESTS)
  add_executable(unit_tests ${TAVRIN_UNIT_TESTS})
  # tests/unit/main.cpp is their main: a private home and the globals put back after each test.
  target_link_libraries(unit_tests PRIVATE tavrin_core GTest::gtest)
  target_compile_definitions(unit_tests PRIVATE TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(TAVRIN_SOUND STREQUAL "null")
    target_compile_definitions(unit_tests PRIVATE TAVRIN_SOUND_NULL=1)
  endif()
  # The JPEG tests encode pictures of their own and the offscreen tests read screenshots
  # back; the game's libraries keep libjpeg and libpng private.
  target_link_libraries(unit_tests PRIVATE JPEG::JPEG PNG::PNG)
  # The store's tests compare the catalogue with the files it was made from.
  if(tavrin_catalogue_level)
    target_compile_definitions(unit_tests PRIVATE TAVRIN_GFX_LEVEL_FILE="${tavrin_catalogue_level}")
  endif()
  # The level tests replay solutions through the harness (cmake/extra/solver.cmake makes it,
  # after this file: a target is looked up when the build is generated).
  target_link_libraries(unit_tests PRIVATE levels_harness)
  # The level compiler is run on sources of the tests' own, started with system(): an
  # emulated test run gives them the native one.
  if(TAVRIN_HOST_LEVELC)
    target_compile_definitions(unit_tests PRIVATE TAVRIN_LEVELC="${TAVRIN_HOST_LEVELC}")
  else()
    add_dependencies(unit_tests levelc)
    target_compile_definitions(unit_tests PRIVATE TAVRIN_LEVELC="$<TARGET_FILE:levelc>")
  endif()
  # The variables the game's libraries define, listed from the built libraries by the
  # toolchain's nm: the globals test holds the snapshot of tests/unit/globals_snapshot.h
  # against them, so that a global nobody added to the snapshot is named.
  set(tavrin_globals_inc "${CMAKE_BINARY_DIR}/unit_globals/library_globals.inc")
  set(tavrin_globals_args "")
  set(tavrin_globals_libs "")
  foreach(layer IN LISTS TAVRIN_LAYERS)
    list(APPEND tavrin_globals_args "${layer}=$<TARGET_FILE:tavrin_${layer}>")
    list(APPEND tavrin_globals_libs tavrin_${layer})
  endforeach()
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/unit_globals")
  add_custom_command(OUTPUT "${tavrin_globals_inc}"
    COMMAND sh "${CMAKE_SOURCE_DIR}/tests/unit/list_globals.sh" "${CMAKE_NM}" "${tavrin_globals_inc}"
      ${tavrin_globals_args}
    DEPENDS ${tavrin_globals_libs} "${CMAKE_SOURCE_DIR}/tests/unit/list_globals.sh"
    COMMENT "Listing the variables of the game's libraries"
    VERBATIM)
  target_sources(unit_tests PRIVATE "${tavrin_globals_inc}")
  target_include_directories(unit_tests PRIVATE "${CMAKE_BINARY_DIR}/unit_globals")
  gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endif()

# Whole-program tests: the real tavrin binary on the offscreen back end, driven by scripts.
# tests/program/harness.* is the shared helper; every other tests/program/*.cpp is a test file.
# They include the desktop window's, so a build without the desktop back end has none.
file(GLOB TAVRIN_PROGRAM_TESTS CONFIGURE_DEPENDS tests/program/*.cpp)
if(NOT TAVRIN_DESKTOP)
  set(TAVRIN_PROGRAM_TESTS "")
endif()
list(REMOVE_ITEM TAVRIN_PROGRAM_TESTS ${CMAKE_SOURCE_DIR}/tests/program/harness.cpp)
add_library(program_harness STATIC tests/program/harness.cpp)
target_include_directories(program_harness PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(program_harness PUBLIC PNG::PNG)
target_compile_definitions(program_harness PUBLIC
  TAVRIN_BINARY="$<TARGET_FILE:tavrin>" TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
if(TAVRIN_PROGRAM_TESTS)
  add_executable(program_tests ${TAVRIN_PROGRAM_TESTS})
  target_link_libraries(program_tests PRIVATE program_harness GTest::gtest GTest::gtest_main)
  add_dependencies(program_tests tavrin)
  gtest_discover_tests(program_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS program TIMEOUT 300)
endif()
