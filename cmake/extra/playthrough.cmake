# The whole-game script: a generator that plays every main level through the real program.
add_executable(playthrough ${CMAKE_SOURCE_DIR}/tools/playthrough/playthrough.cpp)
target_link_libraries(playthrough PRIVATE levels_harness)
target_compile_definitions(playthrough PRIVATE TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# The whole-program test remakes the script with the tool and compares it with the committed one.
if(TARGET program_tests)
  target_compile_definitions(program_tests PRIVATE TAVRIN_PLAYTHROUGH="$<TARGET_FILE:playthrough>")
  add_dependencies(program_tests playthrough)
endif()
