# Graphics core: the generated catalogue header, the benchmark and the JPEG fuzz target.
target_include_directories(tavrin_core PRIVATE "${TAVRIN_CATALOGUE_INCLUDE_DIR}")
