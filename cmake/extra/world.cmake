# World engine: the benchmark and the level reader fuzz target.

# World ticks and the falling pass against a memcpy of one frame.
add_executable(bench_world ${CMAKE_SOURCE_DIR}/tools/bench/bench_world.cpp)
target_link_libraries(bench_world PRIVATE tavrin_core)

if(TAVRIN_FUZZ)
  add_executable(fuzz_level ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_level.cpp)
  target_link_libraries(fuzz_level PRIVATE tavrin_core)
  target_compile_options(fuzz_level PRIVATE -fsanitize=fuzzer)
  target_link_options(fuzz_level PRIVATE -fsanitize=fuzzer)
endif()

# The unit tests run the level compiler on sources of their own.
if(TARGET unit_tests)
  add_dependencies(unit_tests levelc)
  target_compile_definitions(unit_tests PRIVATE TAVRIN_LEVELC="$<TARGET_FILE:levelc>")
endif()
