# The game's spine (the application shell, the game state and the progress file): the fuzz
# targets of the progress file, and the check that the libraries keep to their stack
# (tools/checks/check_layers.sh) proved on a planted fault.

# The progress file, read and saved.
tavrin_fuzz_target(fuzz_progress ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress.cpp)
tavrin_fuzz_target(fuzz_progress_save ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_progress_save.cpp)

# The stack check itself, on two small libraries with a call planted up from the lower one.
add_library(layers_base STATIC tests/layers/base.cpp)
add_library(layers_base_planted STATIC tests/layers/base.cpp tests/layers/planted.cpp)
add_library(layers_top STATIC tests/layers/top.cpp)
add_test(NAME check_layers_planted
  COMMAND sh "${CMAKE_SOURCE_DIR}/tests/layers/check_layers_test.sh" "${CMAKE_SOURCE_DIR}/tools/checks/check_layers.sh"
    "${CMAKE_NM}" $<TARGET_FILE:layers_base> $<TARGET_FILE:layers_base_planted> $<TARGET_FILE:layers_top>)
set_tests_properties(check_layers_planted PROPERTIES LABELS unit)
