# The game's libraries, one per folder, stacked: each library uses only libraries below it in
# TAVRIN_LAYERS, and only those it lists. tools/checks/check_layers.sh fails the build when a
# library lists one above it, uses a function or a global of a library it does not list, or
# when the libraries' uses of each other's symbols form a circle. SDL is private to the
# toolkit layer (platform/) and the sound effects (sound/), so no other folder even finds its
# headers. tavrin_core is the whole game, for the programs and tests built on it.
#
#   folder    may use (all below it)
set(tavrin_uses_catalogue "")                                     # the embedded files, generated
set(tavrin_uses_platform catalogue)                               # SDL, libpng; the recording's fingerprint
set(tavrin_uses_sound "")                                         # SDL_mixer (or the null one)
set(tavrin_uses_state platform)                                   # the global records; the clock
set(tavrin_uses_store platform)                                   # the progress record, QFile, qDebug
set(tavrin_uses_gfx catalogue platform state)                     # pictures, blits, font, the display
set(tavrin_uses_world catalogue sound state store)                # level file, SndPlay, saveProgress
set(tavrin_uses_screens catalogue gfx state store world)          # what each mode draws
set(tavrin_uses_game gfx screens sound state store world)         # the mode machine, the frame
set(tavrin_uses_app game gfx platform sound state store)          # main, the loop, window, suspend
set(TAVRIN_LAYERS catalogue platform sound state store gfx world screens game app)
# A file that only another build compiles, with more to use there than its folder's list:
# that build adds it to the list (below), and the header check, which reads every file of the
# tree whatever the build, lets that file alone use it.
set(TAVRIN_FILE_USES sound/sound_web.cpp=catalogue)                # the catalogue's samples
foreach(layer IN LISTS TAVRIN_LAYERS)
  set(tavrin_folder_uses_${layer} ${tavrin_uses_${layer}})          # before any build adds to it
endforeach()

file(GLOB tavrin_platform_sources CONFIGURE_DEPENDS platform/*.cpp)
# The browser's back end (platform/web_*.cpp) is built only by Emscripten, where it takes the
# desktop's place and is the program's host too; every other build has the POSIX host.
if(EMSCRIPTEN)
  list(REMOVE_ITEM tavrin_platform_sources ${CMAKE_SOURCE_DIR}/platform/no_desktop.cpp
    ${CMAKE_SOURCE_DIR}/platform/posix_host.cpp)
else()
  list(FILTER tavrin_platform_sources EXCLUDE REGEX "/platform/web_[^/]*\\.cpp$")
endif()
# Without the desktop back end the layer has no SDL at all; no_desktop.cpp stands in for it.
if(TAVRIN_DESKTOP)
  list(REMOVE_ITEM tavrin_platform_sources ${CMAKE_SOURCE_DIR}/platform/no_desktop.cpp)
else()
  list(REMOVE_ITEM tavrin_platform_sources ${CMAKE_SOURCE_DIR}/platform/desktop.cpp
    ${CMAKE_SOURCE_DIR}/platform/desktop_audio.cpp ${CMAKE_SOURCE_DIR}/platform/desktop_input.cpp
    ${CMAKE_SOURCE_DIR}/platform/desktop_presenter.cpp ${CMAKE_SOURCE_DIR}/platform/desktop_window.cpp
    ${CMAKE_SOURCE_DIR}/platform/desktop_x11.cpp)
endif()
if(TAVRIN_SOUND STREQUAL "null")
  set(tavrin_sound_sources sound/sound_null.cpp)
elseif(TAVRIN_SOUND STREQUAL "web")
  # The browser's driver plays the catalogue's copies of the samples.
  set(tavrin_sound_sources sound/sound_web.cpp)
  set(tavrin_uses_sound catalogue)                                # TAVRIN_FILE_USES
else()
  set(tavrin_sound_sources sound/sound.cpp)
endif()
set(tavrin_catalogue_sources catalogue/resources.cpp ${TAVRIN_CATALOGUE_SOURCES})
file(GLOB tavrin_state_sources CONFIGURE_DEPENDS state/*.cpp)
file(GLOB tavrin_store_sources CONFIGURE_DEPENDS store/*.cpp)
file(GLOB tavrin_gfx_sources CONFIGURE_DEPENDS gfx/*.cpp)
file(GLOB tavrin_world_sources CONFIGURE_DEPENDS world/*.cpp)
file(GLOB tavrin_screens_sources CONFIGURE_DEPENDS screens/*.cpp)
file(GLOB tavrin_game_sources CONFIGURE_DEPENDS game/*.cpp)
# The two mains (the build tree's game and the installed one) are not in app.
file(GLOB tavrin_app_sources CONFIGURE_DEPENDS app/*.cpp)
list(REMOVE_ITEM tavrin_app_sources ${CMAKE_SOURCE_DIR}/app/main.cpp
  ${CMAKE_SOURCE_DIR}/app/installed_main.cpp)

# A stack needs no repeated libraries on the link line: each comes after those that use it.
foreach(layer IN LISTS TAVRIN_LAYERS)
  add_library(tavrin_${layer} STATIC ${tavrin_${layer}_sources})
  target_include_directories(tavrin_${layer} PUBLIC ${CMAKE_SOURCE_DIR})
  foreach(used IN LISTS tavrin_uses_${layer})
    target_link_libraries(tavrin_${layer} PUBLIC tavrin_${used})
  endforeach()
endforeach()

# The game's folders keep exact integer rules (bytes, shifts, truncating divisions): a
# conversion that may change a value is written out as a cast, so that the 32-bit build
# reads the same as the 64-bit one. GCC's -Wconversion is clean on x86-64, armhf and arm64;
# clang's also takes in every signedness change, so only GCC builds ask for it.
foreach(layer state store gfx world screens game app sound)
  target_compile_options(tavrin_${layer} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wconversion>)
endforeach()

target_link_libraries(tavrin_platform PRIVATE PNG::PNG)
if(TAVRIN_DESKTOP)
  target_link_libraries(tavrin_platform PRIVATE PkgConfig::SDL2)
endif()
if(TAVRIN_SOUND STREQUAL "sdl")
  target_link_libraries(tavrin_sound PRIVATE PkgConfig::SDL2)
endif()
target_compile_definitions(tavrin_sound PRIVATE TAVRIN_SOUND_DIR="${TAVRIN_SOUND_DIR}")
target_link_libraries(tavrin_gfx PRIVATE JPEG::JPEG)
target_include_directories(tavrin_catalogue PRIVATE "${TAVRIN_CATALOGUE_INCLUDE_DIR}")
if(TARGET tavrin_catalogue_deps)
  add_dependencies(tavrin_catalogue tavrin_catalogue_deps)
endif()

# The whole game.
add_library(tavrin_core INTERFACE)
foreach(layer IN LISTS TAVRIN_LAYERS)
  target_link_libraries(tavrin_core INTERFACE tavrin_${layer})
endforeach()

# The layering, checked on the built libraries, in stack order: every library lists only
# libraries below it, every symbol it uses from another of them comes from one it lists, and
# the uses form no circle.
set(tavrin_layer_args "")
set(tavrin_layer_libs "")
foreach(layer IN LISTS TAVRIN_LAYERS)
  string(REPLACE ";" "," uses "${tavrin_uses_${layer}}")
  list(APPEND tavrin_layer_args "${layer}=$<TARGET_FILE:tavrin_${layer}>=${uses}")
  list(APPEND tavrin_layer_libs tavrin_${layer})
endforeach()
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/layers.ok"
  COMMAND sh "${CMAKE_SOURCE_DIR}/tools/checks/check_layers.sh" "${CMAKE_NM}" "${CMAKE_SOURCE_DIR}"
    ${tavrin_layer_args}
  COMMAND ${CMAKE_COMMAND} -E touch "${CMAKE_BINARY_DIR}/layers.ok"
  DEPENDS ${tavrin_layer_libs} "${CMAKE_SOURCE_DIR}/tools/checks/check_layers.sh"
  COMMENT "Checking that every folder uses only the folders it may use"
  VERBATIM)
add_custom_target(tavrin_layers DEPENDS "${CMAKE_BINARY_DIR}/layers.ok")
add_dependencies(tavrin_core tavrin_layers)
