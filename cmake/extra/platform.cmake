# The toolkit layer: the script fuzz target and the offscreen benchmark.
if(TAVRIN_FUZZ)
  add_executable(fuzz_script ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_script.cpp)
  target_link_libraries(fuzz_script PRIVATE tavrin_core)
  target_link_options(fuzz_script PRIVATE -fsanitize=fuzzer)
endif()

add_executable(bench_offscreen ${CMAKE_SOURCE_DIR}/tools/bench/bench_offscreen.cpp)
target_link_libraries(bench_offscreen PRIVATE tavrin_core)
target_compile_definitions(bench_offscreen PRIVATE TAVRIN_BINARY="$<TARGET_FILE:tavrin>")
add_dependencies(bench_offscreen tavrin)
