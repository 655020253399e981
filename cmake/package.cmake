# The Debian package, made by CPack from the install rules (`make package`, which builds it in
# build-package/ with Debian's build flags: tools/package.sh). The runtime dependencies are
# computed from the binary by dpkg-shlibdeps: SDL2, SDL2_mixer, libjpeg and libpng as the
# system links them, with the C and C++ runtimes.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "the Tavrin team")
set(CPACK_PACKAGE_CONTACT "the Tavrin team <team@tavrin.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tile-based digging puzzle game")
# Debian shows the description in 80 columns, each line indented by one space.
set(CPACK_PACKAGE_DESCRIPTION
  "Steer a small figure square by square through earth, walls, rocks,
diamonds, eggs, keys, safes, bombs and skulls: dig, take every diamond,
disarm the bombs once no diamond is left, and keep out from under falling
rocks and away from the monsters that hatch from cracked eggs. Four practice
levels teach the pieces; each main level completed opens the next.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# deb_staging.cmake strips the binary the way Debian does, which CPack's own strip does not.
set(CPACK_STRIP_FILES OFF)
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/LICENSE")

# The package's version is the game's, with the Debian revision of dist/changelog's latest
# entry. An entry for another version of the game stops the packaging (deb_staging.cmake), so
# the package never ships a changelog that does not describe it.
set(tavrin_changelog "${CMAKE_SOURCE_DIR}/dist/changelog")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${tavrin_changelog}")
file(STRINGS "${tavrin_changelog}" tavrin_changelog_top LIMIT_COUNT 1)
set(CPACK_TAVRIN_CHANGELOG_ERROR "")
if(tavrin_changelog_top MATCHES "^tavrin \\(([^)-]+)-([^)]+)\\) ")
  set(CPACK_DEBIAN_PACKAGE_RELEASE "${CMAKE_MATCH_2}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    set(CPACK_TAVRIN_CHANGELOG_ERROR
      "dist/changelog's latest entry is for ${CMAKE_MATCH_1}, the game is ${PROJECT_VERSION}: add an entry")
  endif()
else()
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_TAVRIN_CHANGELOG_ERROR
    "dist/changelog does not start with 'tavrin (${PROJECT_VERSION}-N) ...'")
endif()
set(CPACK_TAVRIN_CHANGELOG "${tavrin_changelog}")
set(CPACK_TAVRIN_LINTIAN_OVERRIDES "${CMAKE_SOURCE_DIR}/dist/tavrin.lintian-overrides")
set(CPACK_TAVRIN_STRIP "${CMAKE_STRIP}")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the Tavrin team <team@tavrin.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrin.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/deb_staging.cmake")
include(CPack)
