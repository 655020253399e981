# Takes out of the web folder every file the build does not make (what an older build made,
# say), so that the server never serves it and the service worker never caches it.
#   cmake -DSITE=build-web -DKEEP=<regex of the folder's own files, relative> -P prune_site.cmake
if(NOT SITE OR NOT KEEP)
  message(FATAL_ERROR "usage: cmake -DSITE=<folder> -DKEEP=<regex> -P prune_site.cmake")
endif()
file(GLOB_RECURSE files RELATIVE "${SITE}" LIST_DIRECTORIES false "${SITE}/*")
foreach(f IN LISTS files)
  if(NOT f MATCHES "${KEEP}")
    message(STATUS "web site: ${f} is no longer part of the site; removed")
    file(REMOVE "${SITE}/${f}")
  endif()
endforeach()
