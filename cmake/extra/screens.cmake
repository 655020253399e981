# Screens: the frame-cost benchmark (play view and map view against a memcpy of one frame).
tavrin_benchmark(bench_screens ${CMAKE_SOURCE_DIR}/tools/bench/bench_screens.cpp)
