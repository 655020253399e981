# The application shell, game state and progress file: sound install rules and the fuzz target.

# An installed game plays its installed copy of the samples; the default build plays the ones
# in the source tree (TAVRIN_SOUND_DIR).
option(TAVRIN_USE_INSTALLED_SOUNDS "Play the sound effects from the installed data directory" OFF)
set(TAVRIN_INSTALLED_SOUND_DIR "${CMAKE_INSTALL_FULL_DATADIR}/tavrin/sounds/")
if(TAVRIN_USE_INSTALLED_SOUNDS)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/app/sound.cpp APPEND PROPERTY
    COMPILE_DEFINITIONS TAVRIN_INSTALLED_SOUND_DIR="${TAVRIN_INSTALLED_SOUND_DIR}")
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/sounds/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/tavrin/sounds
  FILES_MATCHING PATTERN "*.wvx")

tavrin_fuzz_target(fuzz_progress ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress.cpp)
tavrin_fuzz_target(fuzz_progress_save ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress_save.cpp)
