#!/bin/sh
# Builds the Debian package in a build folder of its own: the installed game alone (no test,
# tool or benchmark), compiled with Debian's build flags with every hardening feature, then
# CPack. `make package` runs it on build-package/; the package test on a scratch folder.
#
# usage: tools/package.sh SOURCE_DIR BUILD_DIR [JOBS]    (the .deb is left in BUILD_DIR)
set -eu
src=$(cd "$1" && pwd) build=$(mkdir -p "$2" && cd "$2" && pwd) jobs=${3:-2}

# Every date in the package is SOURCE_DATE_EPOCH, so that the same source makes the same bytes:
# by default the date of the source's last commit, or, outside a git checkout, noon UTC of
# NEWS.md's newest entry. CPack dates the archives and their members by it, and
# deb_staging.cmake clamps the staged tree's dates to it. BUILD_DIR/source-date-epoch says which
# date this package got.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null) ||
        SOURCE_DATE_EPOCH=$(date -u -d "$(sed -n 's/^## [^ ]* (\([0-9-]*\).*/\1/p' "$src/NEWS.md" |
            head -n 1) 12:00:00" +%s)
fi
case $SOURCE_DATE_EPOCH in
    '' | *[!0-9]*) echo "package.sh: SOURCE_DATE_EPOCH is not a number of seconds: '$SOURCE_DATE_EPOCH'" >&2; exit 2 ;;
esac
export SOURCE_DATE_EPOCH
echo "$SOURCE_DATE_EPOCH" >"$build/source-date-epoch"

# Debian's flags as dpkg-buildflags gives them to a package build, with every hardening
# feature: optimised, fortified functions, stack protector, format checks, relocations
# read-only and bound at start-up (and position-independent, as the compiler is by default).
# No -g: the binary is stripped, and debug information only slows the compiler down. NDEBUG as
# in the project's own optimised builds. Paths in the binary are mapped from the source folder.
cd "$src"
DEB_BUILD_MAINT_OPTIONS=hardening=+all
DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
DEB_CPPFLAGS_MAINT_APPEND=-DNDEBUG
export DEB_BUILD_MAINT_OPTIONS DEB_CFLAGS_MAINT_STRIP DEB_CXXFLAGS_MAINT_STRIP DEB_CPPFLAGS_MAINT_APPEND
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cflags=$(dpkg-buildflags --get CFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

# Build type None: the flags above alone. The prefix and games/ are the package's, so the
# binary's fallback sound folder (for a system without /proc) is the installed one.
# CMAKE_SKIP_INSTALL_ALL_DEPENDENCY: CPack would otherwise build every target before it
# installs. The sound folder of the build tree's game, which the installed game replaces but
# whose name is in the common code, is the installed one too: no path of the machine that
# built the package is in it, wherever the source lay.
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DTAVRIN_INSTALL_BINDIR=games \
    -DTAVRIN_SOUND_DIR=/usr/share/tavrin/sounds/ \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_C_FLAGS="$cppflags $cflags" -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j"$jobs" --target tavrin_installed
rm -f "$build"/tavrin_*.deb
(cd "$build" && cpack -G DEB)
