# Level solutions: the replay harness (shared with the level tests), the solver and the
# replay tool.
add_library(levels_harness STATIC ${CMAKE_SOURCE_DIR}/tools/solver/harness.cpp
                                  ${CMAKE_SOURCE_DIR}/tools/solver/search.cpp
                                  ${CMAKE_SOURCE_DIR}/tools/solver/respawn.cpp)
target_link_libraries(levels_harness PUBLIC tavrin_core)

add_executable(solver ${CMAKE_SOURCE_DIR}/tools/solver/solver_main.cpp)
target_link_libraries(solver PRIVATE levels_harness)

add_executable(replay ${CMAKE_SOURCE_DIR}/tools/solver/replay_main.cpp)
target_link_libraries(replay PRIVATE levels_harness)

add_executable(levelstats ${CMAKE_SOURCE_DIR}/tools/solver/levelstats_main.cpp)
target_link_libraries(levelstats PRIVATE levels_harness)

# DEEP SHAFT is written by its generator: the committed source must be what it writes today.
if(BUILD_TESTING)
  add_test(NAME levels_deep_shaft_generator
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/levels/deep_shaft.py
                   --check ${CMAKE_SOURCE_DIR}/assets/levels/m09_shaft.txt)
endif()

# The statistics table in the level notes must be what the levels and solutions give today,
# and no level may trap a player who loses a life along its solution (about 30 s of CPU).
if(BUILD_TESTING)
  add_test(NAME levels_stats_current
           COMMAND levelstats --check ${CMAKE_SOURCE_DIR}/assets/levels/solutions.md
                   ${CMAKE_SOURCE_DIR}/assets/levels/order.txt)
  set_tests_properties(levels_stats_current PROPERTIES TIMEOUT 600)
endif()
