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
