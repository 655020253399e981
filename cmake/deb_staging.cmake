# Run by CPack on the staged tree, before the .deb is made from it: Debian keeps manual pages
# compressed (gzip -9n, so the package is the same for the same input) and the licence of a
# package as /usr/share/doc/<package>/copyright.
file(GLOB_RECURSE tavrin_pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*.[1-9]")
foreach(page IN LISTS tavrin_pages)
  execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${page} failed")
  endif()
endforeach()
file(GLOB_RECURSE tavrin_licences "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/tavrin/LICENSE")
foreach(licence IN LISTS tavrin_licences)
  get_filename_component(folder "${licence}" DIRECTORY)
  file(RENAME "${licence}" "${folder}/copyright")
endforeach()
