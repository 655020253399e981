# Checks of the screen and menu pictures (sizes, JPEG kind, highlight seams, repeatable output).
# Debian's python carries Pillow; a python earlier on PATH may not.
if(BUILD_TESTING)
  add_test(NAME assets_screen_pictures
           COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/assets/test_screens.py)
  set_tests_properties(assets_screen_pictures PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
