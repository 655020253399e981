# Checks of the generated content (tile and glyph sheets, hero figure, panel, map bar,
# sound effects, every JPEG's kind and size, and that the generator repeats itself).
# Debian's python carries Pillow; a python earlier on PATH may not.
if(BUILD_TESTING)
  add_test(NAME assets_content
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/assets/test_content.py)
  set_tests_properties(assets_content PROPERTIES TIMEOUT 300)
endif()
