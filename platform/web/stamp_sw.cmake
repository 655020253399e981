# Writes the service worker into the finished web folder: its cache is named after a hash of
# every file the folder serves, and it takes a copy of each of them.
#   cmake -DSITE=build-web -DTEMPLATE=platform/web/sw.js -P platform/web/stamp_sw.cmake
# Run last, once everything else is in SITE.
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/write_if_changed.cmake")
if(NOT SITE OR NOT TEMPLATE)
  message(FATAL_ERROR "usage: cmake -DSITE=<folder> -DTEMPLATE=<sw.js> -P stamp_sw.cmake")
endif()
file(GLOB_RECURSE files RELATIVE "${SITE}" LIST_DIRECTORIES false "${SITE}/*")
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(listing "")
set(names "")
foreach(f IN LISTS files)
  # Files a server never serves to the page (editor and system leftovers), and the
  # precompressed copies (the same files again, for a server that sends them).
  if(f MATCHES "(^|/)\\.|~$|\\.gz$")
    continue()
  endif()
  file(SHA256 "${SITE}/${f}" h)
  string(APPEND listing "${f} ${h}\n")
  # The home screen's icons are the browser's to fetch when the game is installed, not part of
  # every first visit: only the page's own icon is copied.
  if(f MATCHES "^icons/" AND NOT f STREQUAL "icons/tavrin-48.png")
    continue()
  endif()
  if(names)
    string(APPEND names ", ")
  endif()
  string(APPEND names "'${f}'")
endforeach()
string(SHA256 build "${listing}")
string(SUBSTRING "${build}" 0 16 build)
file(READ "${TEMPLATE}" sw)
string(REPLACE "@TAVRIN_BUILD@" "${build}" sw "${sw}")
string(REPLACE "@TAVRIN_FILES@" "${names}" sw "${sw}")
# Rewritten only when it changes, so that an unchanged build leaves the file's time alone.
tavrin_write_if_changed("${SITE}/sw.js" "${sw}")
