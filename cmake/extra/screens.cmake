# Screens: the frame-cost benchmark (play view and map view against a memcpy of one frame).
add_executable(bench_screens ${CMAKE_SOURCE_DIR}/tools/bench/bench_screens.cpp)
target_link_libraries(bench_screens PRIVATE tavrin_core)
