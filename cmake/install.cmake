# What `cmake --install` lays out, by the GNU install directories: the game, its samples,
# the desktop entry, the AppStream metadata, the icons, the manual page and the docs.

# bin/ by default: /usr/local/bin and ~/.local/bin are on every user's PATH, games/ is not
# everywhere (root's PATH, sudo, other distributions). `-DTAVRIN_INSTALL_BINDIR=games` gives
# Debian's games layout.
set(TAVRIN_INSTALL_BINDIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
  "Where the game binary is installed, relative to the prefix (bin, or games)")
# Empty: the installed binary finds share/tavrin/sounds/ beside its own folder, wherever the
# tree was installed. A device package may give the handheld's absolute sound folder instead.
set(TAVRIN_INSTALLED_SOUND_DIR "" CACHE STRING
  "Absolute sound folder of the installed game (empty: share/tavrin/sounds/ beside the binary)")

set(tavrin_sound_install_dir "${CMAKE_INSTALL_DATADIR}/tavrin/sounds")
set(tavrin_full_bindir "${TAVRIN_INSTALL_BINDIR}")
if(NOT IS_ABSOLUTE "${tavrin_full_bindir}")
  set(tavrin_full_bindir "${CMAKE_INSTALL_PREFIX}/${tavrin_full_bindir}")
endif()
file(RELATIVE_PATH tavrin_sounds_from_binary "${tavrin_full_bindir}"
  "${CMAKE_INSTALL_FULL_DATADIR}/tavrin/sounds")

# The installed game is the same program with its own main, which points the sound folder at
# the installed samples; it is built beside the build tree's binary, in installed/.
add_executable(tavrin_installed app/installed_main.cpp)
set_target_properties(tavrin_installed PROPERTIES
  OUTPUT_NAME tavrin RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/installed")
target_link_libraries(tavrin_installed PRIVATE tavrin_core)
target_compile_definitions(tavrin_installed PRIVATE
  TAVRIN_SOUNDS_FROM_BINARY="${tavrin_sounds_from_binary}/"
  TAVRIN_CONFIGURED_SOUND_DIR="${CMAKE_INSTALL_FULL_DATADIR}/tavrin/sounds/")
if(TAVRIN_INSTALLED_SOUND_DIR)
  target_compile_definitions(tavrin_installed PRIVATE
    TAVRIN_INSTALLED_SOUND_DIR="${TAVRIN_INSTALLED_SOUND_DIR}")
endif()

install(TARGETS tavrin_installed RUNTIME DESTINATION "${TAVRIN_INSTALL_BINDIR}")
install(DIRECTORY "${CMAKE_SOURCE_DIR}/assets/sounds/" DESTINATION "${tavrin_sound_install_dir}"
  FILES_MATCHING PATTERN "*.wvx")

# Menus and software centres: the entry, the metadata and the icons, all under one id.
set(TAVRIN_APP_ID org.tavrin.Tavrin)
install(FILES "${CMAKE_SOURCE_DIR}/dist/${TAVRIN_APP_ID}.desktop"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${CMAKE_SOURCE_DIR}/dist/${TAVRIN_APP_ID}.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
# The icons are drawn by the asset generator (tools/assets/), like every picture of the game.
foreach(size 48 64 128 256)
  install(FILES "${CMAKE_SOURCE_DIR}/assets/icons/tavrin-${size}.png"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
    RENAME "${TAVRIN_APP_ID}.png")
endforeach()

install(FILES "${CMAKE_SOURCE_DIR}/dist/tavrin.6" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")
# The docs are a player's: the README for players (docs/playing.md; the source tree's README
# is for developers), with the recording guide and the picture that it links to beside it, as
# they are beside it in docs/. The licence, and the copyright file that adds the licence of the
# fonts that the game's lettering was drawn from.
install(FILES "${CMAKE_SOURCE_DIR}/docs/playing.md" DESTINATION "${CMAKE_INSTALL_DOCDIR}"
  RENAME README.md)
install(FILES "${CMAKE_SOURCE_DIR}/docs/recording.md" "${CMAKE_SOURCE_DIR}/docs/screenshots.png"
  "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_SOURCE_DIR}/dist/copyright"
  DESTINATION "${CMAKE_INSTALL_DOCDIR}")

# The install and package tests lay the game out in a scratch root, check every file with
# the tools a distribution uses, and play a short script with the installed binary. The
# package test builds the package as `make package` does, in a build folder of its own, and
# lintian then checks that package.
if(BUILD_TESTING)
  foreach(kind install package)
    add_test(NAME ${kind}_tree
      COMMAND sh "${CMAKE_SOURCE_DIR}/tests/install/install_test.sh" ${kind}
              "${CMAKE_BINARY_DIR}" "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/${kind}_tree")
    set_tests_properties(${kind}_tree PROPERTIES LABELS install TIMEOUT 900)
  endforeach()
  set_tests_properties(install_tree PROPERTIES RESOURCE_LOCK install_manifest)
  set_tests_properties(package_tree PROPERTIES FIXTURES_SETUP tavrin_deb)
  add_test(NAME package_lintian
    COMMAND sh "${CMAKE_SOURCE_DIR}/tests/install/install_test.sh" lintian
            "${CMAKE_BINARY_DIR}" "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/package_lintian"
            "${CMAKE_BINARY_DIR}/package_tree/build")
  # Without lintian (a machine that `make test` has not set up) the check is skipped, and says so.
  set_tests_properties(package_lintian PROPERTIES LABELS install TIMEOUT 600
    FIXTURES_REQUIRED tavrin_deb SKIP_RETURN_CODE 77)
endif()
