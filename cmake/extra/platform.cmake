# The toolkit layer: the script fuzz target and the offscreen benchmark.

# -version prints the project's version.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/platform/options.cpp APPEND PROPERTY
  COMPILE_DEFINITIONS TAVRIN_VERSION="${PROJECT_VERSION}")
tavrin_fuzz_target(fuzz_script ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_script.cpp)

tavrin_benchmark(bench_offscreen ${CMAKE_SOURCE_DIR}/tools/bench/bench_offscreen.cpp)
target_compile_definitions(bench_offscreen PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>")
add_dependencies(bench_offscreen tavrin)
tavrin_fuzz_target(fuzz_recording ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_recording.cpp)
tavrin_benchmark(bench_replay ${CMAKE_SOURCE_DIR}/tools/bench/bench_replay.cpp)
target_compile_definitions(bench_replay PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>" TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(bench_replay tavrin)

if(TAVRIN_DESKTOP)
  tavrin_benchmark(bench_desktop ${CMAKE_SOURCE_DIR}/tools/bench/bench_desktop.cpp)
  target_compile_definitions(bench_desktop PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>")
  add_dependencies(bench_desktop tavrin)
endif()

# The window icon is embedded in the program; rebuilt when the picture changes. A page has no
# window icon (the site's manifest lists the icons).
set(TAVRIN_ICON_PNG ${CMAKE_SOURCE_DIR}/assets/icons/tavrin-64.png)
if(EXISTS ${TAVRIN_ICON_PNG} AND NOT EMSCRIPTEN)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/icon.cpp PROPERTIES
    COMPILE_DEFINITIONS TAVRIN_ICON_PNG="${TAVRIN_ICON_PNG}"
    OBJECT_DEPENDS ${TAVRIN_ICON_PNG})
endif()

# The desktop tests look at the private X server through Xlib, and the gamepad test runs the
# program in its own process to plug SDL's virtual joystick into it.
if(TARGET program_tests)
  pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
  target_link_libraries(program_tests PRIVATE tavrin_core PkgConfig::X11)
  target_compile_definitions(program_tests PRIVATE TAVRIN_PROJECT_VERSION="${PROJECT_VERSION}")
endif()
