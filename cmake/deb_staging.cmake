# Run by CPack on the staged tree, before the .deb is made from it, to give it Debian's layout:
# the game in /usr/games (Debian's place for games, whatever bin folder the tree was configured
# with), its menu entry starting it by that path, the binary stripped as Debian strips, manual
# pages compressed (gzip -9n, so the package is the same for the same input), the licence as
# /usr/share/doc/<package>/copyright, the Debian changelog beside it, and lintian's
# overrides, each with its reason.
if(CPACK_TAVRIN_CHANGELOG_ERROR)
  message(FATAL_ERROR "${CPACK_TAVRIN_CHANGELOG_ERROR}")
endif()

file(GLOB usr_dirs LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*usr")
foreach(usr IN LISTS usr_dirs)
  # bin/ and games/ are both one level under the prefix, so the installed game finds its
  # samples (../share/tavrin/sounds) from either.
  if(EXISTS "${usr}/bin/tavrin")
    file(MAKE_DIRECTORY "${usr}/games")
    file(RENAME "${usr}/bin/tavrin" "${usr}/games/tavrin")
    file(GLOB left "${usr}/bin/*")
    if(NOT left)
      file(REMOVE_RECURSE "${usr}/bin")
    endif()
  endif()
  if(NOT EXISTS "${usr}/games/tavrin")
    message(FATAL_ERROR "the staged tree has no games/tavrin")
  endif()

  # A menu launched without /usr/games on its PATH (root's, or a session manager's) still finds
  # the game.
  file(GLOB entries "${usr}/share/applications/*.desktop")
  foreach(entry IN LISTS entries)
    file(READ "${entry}" text)
    string(REGEX REPLACE "\nExec=tavrin" "\nExec=/usr/games/tavrin" text "${text}")
    file(WRITE "${entry}" "${text}")
  endforeach()

  # What dh_strip does: no symbols, and not the compiler's .comment section either.
  execute_process(COMMAND "${CPACK_TAVRIN_STRIP}" --remove-section=.comment --remove-section=.note
                          --strip-unneeded "${usr}/games/tavrin" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip ${usr}/games/tavrin failed")
  endif()

  set(doc "${usr}/share/doc/tavrin")
  if(EXISTS "${doc}/LICENSE")
    file(RENAME "${doc}/LICENSE" "${doc}/copyright")
  endif()
  file(COPY_FILE "${CPACK_TAVRIN_CHANGELOG}" "${doc}/changelog.Debian")
  file(MAKE_DIRECTORY "${usr}/share/lintian/overrides")
  file(COPY_FILE "${CPACK_TAVRIN_LINTIAN_OVERRIDES}" "${usr}/share/lintian/overrides/tavrin")
  file(GLOB pages "${usr}/share/man/*/*.[1-9]")
  foreach(file IN LISTS pages ITEMS "${doc}/changelog.Debian")
    execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip ${file} failed")
    endif()
  endforeach()
endforeach()
if(NOT usr_dirs)
  message(FATAL_ERROR "no usr/ in the staged tree ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
