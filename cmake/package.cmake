# The Debian package, made by CPack from the install rules (`make package`, which builds it in
# build-package/ with Debian's build flags: tools/package.sh). The runtime dependencies are
# computed from the binary by dpkg-shlibdeps: SDL2, SDL2_mixer, libjpeg and libpng as the
# system links them, with the C and C++ runtimes.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "the Tavrin team")
set(tavrin_maintainer "the Tavrin team <team@tavrin.org>")
set(CPACK_PACKAGE_CONTACT "${tavrin_maintainer}")
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

# The Debian changelog is made from NEWS.md (tools/news_changelog.sh), and the package's version
# is the game's with the Debian revision of its newest entry. When the game's version has no
# entry there, the packaging stops (deb_staging.cmake) rather than ship a changelog that does
# not describe the package; configuring the tree still works.
set(tavrin_news "${CMAKE_SOURCE_DIR}/NEWS.md")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${tavrin_news}" "${CMAKE_SOURCE_DIR}/tools/news_changelog.sh")
set(CPACK_TAVRIN_CHANGELOG "${CMAKE_BINARY_DIR}/changelog.Debian")
execute_process(COMMAND sh "${CMAKE_SOURCE_DIR}/tools/news_changelog.sh" "${tavrin_news}"
                        "${PROJECT_VERSION}" "${tavrin_maintainer}"
  OUTPUT_VARIABLE tavrin_changelog ERROR_VARIABLE tavrin_changelog_error
  RESULT_VARIABLE status)
set(CPACK_TAVRIN_CHANGELOG_ERROR "")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
if(status EQUAL 0 AND tavrin_changelog MATCHES "^tavrin \\(${PROJECT_VERSION}-([0-9]+)\\) ")
  set(CPACK_DEBIAN_PACKAGE_RELEASE "${CMAKE_MATCH_1}")
  file(WRITE "${CPACK_TAVRIN_CHANGELOG}" "${tavrin_changelog}")
else()
  string(STRIP "${tavrin_changelog_error}" tavrin_changelog_error)
  set(CPACK_TAVRIN_CHANGELOG_ERROR "no Debian changelog made from NEWS.md: ${tavrin_changelog_error}")
  file(REMOVE "${CPACK_TAVRIN_CHANGELOG}")
endif()
set(CPACK_TAVRIN_LINTIAN_OVERRIDES "${CMAKE_SOURCE_DIR}/dist/tavrin.lintian-overrides")
set(CPACK_TAVRIN_STRIP "${CMAKE_STRIP}")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${tavrin_maintainer}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrin.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/deb_staging.cmake")
include(CPack)
