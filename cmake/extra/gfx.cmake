# Graphics core: the generated catalogue header, the benchmark and the JPEG fuzz target.
target_include_directories(tavrin_core PRIVATE "${TAVRIN_CATALOGUE_INCLUDE_DIR}")

# The store's tests compare the catalogue with the files it was made from.
if(TARGET unit_tests AND tavrin_catalogue_level)
  target_compile_definitions(unit_tests PRIVATE TAVRIN_GFX_LEVEL_FILE="${tavrin_catalogue_level}")
endif()
