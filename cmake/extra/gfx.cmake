# Graphics core: the benchmark, the JPEG fuzz target and the orientation test.

# Frame costs against a memcpy of one frame.
tavrin_benchmark(bench_gfx ${CMAKE_SOURCE_DIR}/tools/bench/bench_gfx.cpp)
tavrin_fuzz_target(fuzz_jpeg ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_jpeg.cpp)

# The whole program in every orientation: the same screens come out as the same picture.
if(BUILD_TESTING)
  add_test(NAME gfx_orientation_shots
    COMMAND ${CMAKE_COMMAND} -DTAVRIN=$<TARGET_FILE:tavrin> -DWORK=${CMAKE_BINARY_DIR}/gfx_orientation_shots
            -P ${CMAKE_SOURCE_DIR}/tests/gfx/orientation_shots.cmake)
endif()

# The pixel loops are worth vectorising even where the trip count is not known in advance
# (GCC's -O2 only vectorises loops it considers "very cheap"): the blits and the screens' fast
# paths, every file that draws with gfx/blit_internal.h.
set_source_files_properties(${CMAKE_SOURCE_DIR}/gfx/blit.cpp ${CMAKE_SOURCE_DIR}/screens/primitives.cpp
  ${CMAKE_SOURCE_DIR}/screens/tiles.cpp ${CMAKE_SOURCE_DIR}/screens/mapsquares.cpp PROPERTIES
  COMPILE_OPTIONS "$<$<CXX_COMPILER_ID:GNU>:-fvect-cost-model=dynamic>")
