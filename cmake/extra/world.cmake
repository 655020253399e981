# World engine: the benchmark, and fuzz targets for the level file and the level source reader.

# World ticks and the falling pass against a memcpy of one frame.
tavrin_benchmark(bench_world ${CMAKE_SOURCE_DIR}/tools/bench/bench_world.cpp)
tavrin_fuzz_target(fuzz_level ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_level.cpp)
tavrin_fuzz_target(fuzz_level_source ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_level_source.cpp)
