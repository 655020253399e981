# The checks that keep the folders a stack, each proved on a planted fault: the libraries'
# uses of each other (tools/checks/check_layers.sh, run by every build: cmake/libraries.cmake),
# the headers, included down the stack only and the internal ones kept inside their folders
# (tools/checks/check_headers.sh, a test here), and the SDL names kept to platform/ and the
# mixer's sound (tools/checks/check_sdl_names.sh, run by make test).

# The stack check itself, on two small libraries (tests/layers/base/ below tests/layers/top/),
# with a call planted up from the lower one, and the upper one's inline code planted in it.
add_library(layers_base STATIC tests/layers/base/base.cpp)
add_library(layers_base_planted STATIC tests/layers/base/base.cpp tests/layers/base/planted.cpp)
add_library(layers_base_inline STATIC tests/layers/base/base.cpp tests/layers/base/planted_inline.cpp)
add_library(layers_top STATIC tests/layers/top/top.cpp)
# With line information whatever the build type: it places their inline code.
foreach(library layers_base layers_base_planted layers_base_inline layers_top)
  target_include_directories(${library} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${library} PRIVATE -g)
endforeach()
add_test(NAME check_layers_planted
  COMMAND sh "${CMAKE_SOURCE_DIR}/tests/layers/check_layers_test.sh" "${CMAKE_SOURCE_DIR}/tools/checks/check_layers.sh"
    "${CMAKE_NM}" "${CMAKE_SOURCE_DIR}/tests/layers" $<TARGET_FILE:layers_base> $<TARGET_FILE:layers_base_planted>
    $<TARGET_FILE:layers_base_inline> $<TARGET_FILE:layers_top>)
set_tests_properties(check_layers_planted PROPERTIES LABELS unit)

# The headers, on the whole tree whatever this build compiles: included down the stack only,
# the internal ones kept to their folders and their tests. A folder's tests are
# tests/unit/<folder>_*, and these.
set(tavrin_tests_platform tests/program/desktop_* tests/program/layer_test.cpp tests/web/*
  tests/fuzz/fuzz_recording.cpp tests/fuzz/fuzz_script.cpp)
set(tavrin_tests_gfx tests/fuzz/fuzz_jpeg.cpp)
set(tavrin_tests_world tests/unit/levels_* tests/fuzz/fuzz_level*)
set(tavrin_header_args "")
foreach(layer IN LISTS TAVRIN_LAYERS)
  set(patterns tests/unit/${layer}_* ${tavrin_tests_${layer}})
  string(REPLACE ";" "," patterns "${patterns}")
  string(REPLACE ";" "," uses "${tavrin_folder_uses_${layer}}")
  # The folder's files that another build lets use more (TAVRIN_FILE_USES).
  set(files "")
  foreach(entry IN LISTS TAVRIN_FILE_USES)
    if(entry MATCHES "^${layer}/([^=]*)=(.*)$")
      string(REPLACE ";" "+" more "${CMAKE_MATCH_2}")
      list(APPEND files "${layer}/${CMAKE_MATCH_1}:${more}")
    endif()
  endforeach()
  string(REPLACE ";" "," files "${files}")
  list(APPEND tavrin_header_args "${layer}=${uses}=${patterns}=${files}")
endforeach()
add_test(NAME check_headers
  COMMAND sh "${CMAKE_SOURCE_DIR}/tools/checks/check_headers.sh" "${CMAKE_SOURCE_DIR}" ${tavrin_header_args})
add_test(NAME check_headers_planted
  COMMAND sh "${CMAKE_SOURCE_DIR}/tests/layers/check_headers_test.sh" "${CMAKE_SOURCE_DIR}/tools/checks/check_headers.sh")
# The SDL names check (make test runs it on the tree), on a small tree with names planted,
# split literals among them.
add_test(NAME check_sdl_names_planted
  COMMAND sh "${CMAKE_SOURCE_DIR}/tests/layers/check_sdl_names_test.sh" "${CMAKE_SOURCE_DIR}/tools/checks/check_sdl_names.sh")
set_tests_properties(check_headers check_headers_planted check_sdl_names_planted PROPERTIES LABELS unit)
