# The progress file: the fuzz targets of its reader and of its save.
tavrin_fuzz_target(fuzz_progress ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress.cpp)
tavrin_fuzz_target(fuzz_progress_save ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress_save.cpp)
