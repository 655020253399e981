# Level solutions: the replay harness (shared with the level tests), the solver and the
# replay tool.
add_library(levels_harness STATIC ${CMAKE_SOURCE_DIR}/tools/solver/harness.cpp)
target_link_libraries(levels_harness PUBLIC tavrin_core)

add_executable(solver ${CMAKE_SOURCE_DIR}/tools/solver/solver_main.cpp)
target_link_libraries(solver PRIVATE levels_harness)

add_executable(replay ${CMAKE_SOURCE_DIR}/tools/solver/replay_main.cpp)
target_link_libraries(replay PRIVATE levels_harness)

if(TARGET unit_tests)
  target_link_libraries(unit_tests PRIVATE levels_harness)
endif()
