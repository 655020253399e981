# No game code, nor the solver that replays it, may draw from the C library's generators:
# tools/checks/check_no_libc_rand.sh on every game library, and on a planted call to prove it
# sees one.
if(BUILD_TESTING)
  set(tavrin_random_checked levels_harness)
  foreach(layer IN LISTS TAVRIN_LAYERS)
    list(APPEND tavrin_random_checked tavrin_${layer})
  endforeach()
  set(tavrin_random_files "")
  foreach(lib IN LISTS tavrin_random_checked)
    list(APPEND tavrin_random_files $<TARGET_FILE:${lib}>)
  endforeach()
  add_test(NAME check_no_libc_rand
           COMMAND sh ${CMAKE_SOURCE_DIR}/tools/checks/check_no_libc_rand.sh "${CMAKE_NM}" ${tavrin_random_files})
  add_library(random_planted STATIC ${CMAKE_SOURCE_DIR}/tests/layers/planted_rand.cpp)
  add_test(NAME check_no_libc_rand_planted
           COMMAND sh ${CMAKE_SOURCE_DIR}/tests/layers/check_no_libc_rand_test.sh
                   ${CMAKE_SOURCE_DIR}/tools/checks/check_no_libc_rand.sh "${CMAKE_NM}"
                   $<TARGET_FILE:tavrin_state> $<TARGET_FILE:random_planted>)
  set_tests_properties(check_no_libc_rand check_no_libc_rand_planted PROPERTIES LABELS unit)
endif()
