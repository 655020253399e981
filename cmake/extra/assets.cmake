# Checks of the generated content (tile and glyph sheets, hero figure, panel, map bar,
# sound effects, every JPEG's kind and size, and that the generator repeats itself).
# Debian's python carries Pillow; a python earlier on PATH may not.
if(BUILD_TESTING)
  add_test(NAME assets_content
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/assets/test_content.py)
  set_tests_properties(assets_content PROPERTIES TIMEOUT 300)
endif()

# The tile check: earth, walls and things told apart in every level colour, through the
# game's own recolouring (world/tint.cpp), also for colour-blind players.
add_executable(tilecheck
  tools/tilecheck/tilecheck.cpp
  tools/tilecheck/tilemetrics.cpp
  world/tint.cpp)
target_include_directories(tilecheck PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(tilecheck PRIVATE TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
if(BUILD_TESTING)
  add_test(NAME assets_tile_readability COMMAND tilecheck)
endif()

# Review pictures of the tiles: every tile in the eight level colours, and the play and map
# views of every level as it opens, written into docs/review/ of the source tree by
# `cmake --build build --target review_pictures` (or build/tilereview [--out DIR]).
add_executable(tilereview
  tools/tilecheck/tilereview.cpp
  tools/tilecheck/tilemetrics.cpp
  world/cipher.cpp
  world/levelsource.cpp
  world/tint.cpp)
target_include_directories(tilereview PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(tilereview PRIVATE TAVRIN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(tilereview PRIVATE PNG::PNG)
add_custom_target(review_pictures
  COMMAND tilereview --levels "${TAVRIN_LEVEL_ORDER}" --out "${CMAKE_SOURCE_DIR}/docs/review"
  DEPENDS tilereview VERBATIM)
