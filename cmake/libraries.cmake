# The game's libraries, one per folder, and the layering between them. Each library links the
# folders it may use and nothing else; tools/check_layers.sh fails the build when a folder uses
# a function or a global of a folder it does not list. SDL is private to the toolkit layer
# (platform/) and the sound unit (app/sound.cpp, a library of its own), so no other folder
# even finds its headers. tavrin_core is the whole game, for the programs and tests built
# on it.
#
# The game shares its state through global records that most folders read (game/state.h), and
# the mode machine, the world and the screens call each other, so the folders are not a
# strict stack. What the table does rule out is a folder reaching where it has no
# business: screens/ and world/ never touch the toolkit, store/ knows only the progress record,
# nothing of the game reaches into SDL. The toolkit layer reads one thing of the game: the
# table of embedded files (gfx/resources.h), whose fingerprint marks a session recording as
# made with this build's levels and pictures.
#
#   folder    may use
set(tavrin_uses_platform gfx)                                    # SDL, libpng; the embedded files
set(tavrin_uses_sound "")                                        # app/sound.cpp: SDL_mixer (or the null one)
set(tavrin_uses_store game platform)                             # the progress record, QFile, qDebug
set(tavrin_uses_gfx app game platform screens)                   # the clock, the painter, blits
set(tavrin_uses_world game gfx sound store)                      # resources, SndPlay, saveProgress
set(tavrin_uses_screens game gfx world)                          # state, pictures, the map
set(tavrin_uses_game gfx screens sound store world)              # the mode machine drives them
set(tavrin_uses_app game gfx platform sound store)               # main, the loop, window, suspend
set(TAVRIN_LAYERS platform sound store gfx world screens game app)

file(GLOB tavrin_platform_sources CONFIGURE_DEPENDS platform/*.cpp)
# Without the desktop back end the layer has no SDL at all; no_desktop.cpp stands in for it.
if(TAVRIN_DESKTOP)
  list(REMOVE_ITEM tavrin_platform_sources ${CMAKE_SOURCE_DIR}/platform/no_desktop.cpp)
else()
  list(REMOVE_ITEM tavrin_platform_sources ${CMAKE_SOURCE_DIR}/platform/desktop.cpp
    ${CMAKE_SOURCE_DIR}/platform/desktop_audio.cpp ${CMAKE_SOURCE_DIR}/platform/desktop_x11.cpp)
endif()
if(TAVRIN_SOUND STREQUAL "null")
  set(tavrin_sound_sources app/sound_null.cpp)
else()
  set(tavrin_sound_sources app/sound.cpp)
endif()
file(GLOB tavrin_store_sources CONFIGURE_DEPENDS store/*.cpp)
file(GLOB tavrin_gfx_sources CONFIGURE_DEPENDS gfx/*.cpp)
list(APPEND tavrin_gfx_sources ${TAVRIN_CATALOGUE_SOURCES})
file(GLOB tavrin_world_sources CONFIGURE_DEPENDS world/*.cpp)
file(GLOB tavrin_screens_sources CONFIGURE_DEPENDS screens/*.cpp)
file(GLOB tavrin_game_sources CONFIGURE_DEPENDS game/*.cpp)
# The two mains (the build tree's game and the installed one) and the sound unit are not in app.
file(GLOB tavrin_app_sources CONFIGURE_DEPENDS app/*.cpp)
list(REMOVE_ITEM tavrin_app_sources ${CMAKE_SOURCE_DIR}/app/main.cpp
  ${CMAKE_SOURCE_DIR}/app/installed_main.cpp ${CMAKE_SOURCE_DIR}/app/sound.cpp
  ${CMAKE_SOURCE_DIR}/app/sound_null.cpp)

# Static libraries may use each other in a ring. CMake repeats a ring on the link line; as
# many times as it has libraries is enough for any chain of uses around it.
list(LENGTH TAVRIN_LAYERS tavrin_layer_count)
foreach(layer IN LISTS TAVRIN_LAYERS)
  add_library(tavrin_${layer} STATIC ${tavrin_${layer}_sources})
  target_include_directories(tavrin_${layer} PUBLIC ${CMAKE_SOURCE_DIR})
  set_target_properties(tavrin_${layer} PROPERTIES LINK_INTERFACE_MULTIPLICITY ${tavrin_layer_count})
  foreach(used IN LISTS tavrin_uses_${layer})
    target_link_libraries(tavrin_${layer} PUBLIC tavrin_${used})
  endforeach()
endforeach()

# The game's folders keep exact integer rules (bytes, shifts, truncating divisions): a
# conversion that may change a value is written out as a cast, so that the 32-bit build
# reads the same as the 64-bit one. GCC's -Wconversion is clean on x86-64, armhf and arm64;
# clang's also takes in every signedness change, so only GCC builds ask for it.
foreach(layer store gfx world screens game app sound)
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
target_include_directories(tavrin_gfx PRIVATE "${TAVRIN_CATALOGUE_INCLUDE_DIR}")
if(TARGET tavrin_catalogue_deps)
  add_dependencies(tavrin_gfx tavrin_catalogue_deps)
endif()

# The whole game.
add_library(tavrin_core INTERFACE)
foreach(layer IN LISTS TAVRIN_LAYERS)
  target_link_libraries(tavrin_core INTERFACE tavrin_${layer})
endforeach()

# The layering, checked on the built libraries: every symbol a library uses from another of
# them must come from a folder it lists.
set(tavrin_layer_args "")
set(tavrin_layer_libs "")
foreach(layer IN LISTS TAVRIN_LAYERS)
  string(REPLACE ";" "," uses "${tavrin_uses_${layer}}")
  list(APPEND tavrin_layer_args "${layer}=$<TARGET_FILE:tavrin_${layer}>=${uses}")
  list(APPEND tavrin_layer_libs tavrin_${layer})
endforeach()
add_custom_command(OUTPUT "${CMAKE_BINARY_DIR}/layers.ok"
  COMMAND sh "${CMAKE_SOURCE_DIR}/tools/check_layers.sh" "${CMAKE_NM}" ${tavrin_layer_args}
  COMMAND ${CMAKE_COMMAND} -E touch "${CMAKE_BINARY_DIR}/layers.ok"
  DEPENDS ${tavrin_layer_libs} "${CMAKE_SOURCE_DIR}/tools/check_layers.sh"
  COMMENT "Checking that every folder uses only the folders it may use"
  VERBATIM)
add_custom_target(tavrin_layers DEPENDS "${CMAKE_BINARY_DIR}/layers.ok")
add_dependencies(tavrin_core tavrin_layers)
