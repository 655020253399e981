# tavrin_write_if_changed(PATH CONTENT): writes CONTENT to PATH only when the file holds
# something else, so that an unchanged output keeps its time and what depends on it is not
# rebuilt. Included at configure time and by the generators CMake runs as scripts.
function(tavrin_write_if_changed path content)
  set(old "")
  if(EXISTS "${path}")
    file(READ "${path}" old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE "${path}" "${content}")
  endif()
endfunction()
