# The toolkit layer: the script fuzz target and the offscreen benchmark.
tavrin_fuzz_target(fuzz_script ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_script.cpp)

tavrin_benchmark(bench_offscreen ${CMAKE_SOURCE_DIR}/tools/bench/bench_offscreen.cpp)
target_compile_definitions(bench_offscreen PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>")
add_dependencies(bench_offscreen tavrin)

tavrin_benchmark(bench_desktop ${CMAKE_SOURCE_DIR}/tools/bench/bench_desktop.cpp)
target_compile_definitions(bench_desktop PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>")
add_dependencies(bench_desktop tavrin)
