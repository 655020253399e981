# The Debian package, made by CPack from the install rules (`make package`). The runtime
# dependencies are computed from the binary by dpkg-shlibdeps: SDL2, SDL2_mixer, libjpeg and
# libpng as the system links them, with the C and C++ runtimes.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "the Tavrin team")
set(CPACK_PACKAGE_CONTACT "the Tavrin team <team@tavrin.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tile-based digging puzzle game")
set(CPACK_PACKAGE_DESCRIPTION
  "Steer a small figure square by square through earth, walls, rocks, diamonds, eggs, keys,
safes, bombs and skulls: dig, take every diamond, disarm the bombs once no diamond is left,
and keep out from under falling rocks and away from the monsters that hatch from cracked
eggs. Four practice levels teach the pieces; each main level completed opens the next.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/LICENSE")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the Tavrin team <team@tavrin.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrin.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/deb_staging.cmake")
include(CPack)
