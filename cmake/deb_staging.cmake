# Run by CPack on the staged tree, before the .deb is made from it, to give it Debian's layout:
# the game in /usr/games (Debian's place for games, whatever bin folder the tree was configured
# with), its menu entry starting it by that path, the binary stripped as Debian strips, manual
# pages and the docs over 4 KB compressed (gzip -9n, so the package is the same for the same
# input), the machine-readable copyright file alone in place of the licence, the Debian
# changelog made from NEWS.md beside it, lintian's overrides, each with its reason, and no
# date in the tree later than SOURCE_DATE_EPOCH.
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

  # copyright carries the licence's text (Expat) with the fonts' licence: Debian wants no
  # other licence file.
  set(doc "${usr}/share/doc/tavrin")
  if(NOT EXISTS "${doc}/copyright")
    message(FATAL_ERROR "the staged tree has no share/doc/tavrin/copyright")
  endif()
  file(REMOVE "${doc}/LICENSE")
  file(COPY_FILE "${CPACK_TAVRIN_CHANGELOG}" "${doc}/changelog.Debian")
  file(MAKE_DIRECTORY "${usr}/share/lintian/overrides")
  file(COPY_FILE "${CPACK_TAVRIN_LINTIAN_OVERRIDES}" "${usr}/share/lintian/overrides/tavrin")
  file(GLOB pages "${usr}/share/man/*/*.[1-9]")
  # As dh_compress: the changelog always, other docs over 4 KB, but never the copyright file
  # nor a picture.
  file(GLOB_RECURSE docs "${doc}/*")
  set(big_docs "")
  foreach(file IN LISTS docs)
    file(SIZE "${file}" size)
    if(size GREATER 4096 AND NOT file MATCHES "/copyright$|\\.(png|jpg|gz)$")
      list(APPEND big_docs "${file}")
    endif()
  endforeach()
  foreach(file IN LISTS pages big_docs ITEMS "${doc}/changelog.Debian")
    execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip ${file} failed")
    endif()
  endforeach()
endforeach()
if(NOT usr_dirs)
  message(FATAL_ERROR "no usr/ in the staged tree ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()

# No file or folder of the tree dated after SOURCE_DATE_EPOCH (tools/package.sh sets it): the
# same source gives the same package whenever it is built. CPack dates the archives' members
# by it too; the clamp keeps the tree right for whatever reads it.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(
    COMMAND find "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" -newermt "@$ENV{SOURCE_DATE_EPOCH}"
            -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "could not clamp the dates of ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
  endif()
endif()
