# The toolkit layer: the script fuzz target and the offscreen benchmark.
tavrin_fuzz_target(fuzz_script ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_script.cpp)

tavrin_benchmark(bench_offscreen ${CMAKE_SOURCE_DIR}/tools/bench/bench_offscreen.cpp)
target_compile_definitions(bench_offscreen PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>")
add_dependencies(bench_offscreen tavrin)
tavrin_fuzz_target(fuzz_recording ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_recording.cpp)
tavrin_benchmark(bench_replay ${CMAKE_SOURCE_DIR}/tools/bench/bench_replay.cpp)
target_compile_definitions(bench_replay PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>" TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
add_dependencies(bench_replay tavrin)
