# The progress file: its fuzz target.
tavrin_fuzz_target(fuzz_progress ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress.cpp)
