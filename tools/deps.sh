#!/bin/sh
# Installs the Debian packages that are missing for one use of the tree:
#   game      the game's build and the game (what `make run` needs)
#   package   that, and the tools that make the Debian package (`make package`)
#   web       the browser build (`make web`): Debian's Emscripten and its toolchain
#   test      everything: the tests, the checks, the sanitizer, clang, fuzz and ARM builds
#             (`make test`; the default)
# Runs apt-get as root, or through sudo without a password; otherwise says what to do. When
# another package manager holds the package database, it waits for it (up to ten minutes).
set -e

mode=${1:-test}

GAME_PACKAGES="cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev libjpeg-dev libpng-dev"
# dpkg-buildflags and dpkg-shlibdeps; CPack looks at the binaries with file.
PACKAGE_PACKAGES="dpkg-dev file"
# The desktop tests run a window manager (openbox) on their private X server; the package
# tests check the .deb with lintian.
TEST_PACKAGES="libgtest-dev clang clang-format libclang-rt-14-dev python3-pil fonts-dejavu-core fonts-dejavu-extra
xvfb xdotool openbox lintian desktop-file-utils appstream man-db groff-base libx11-dev
crossbuild-essential-armhf crossbuild-essential-arm64 qemu-user
libjpeg-dev:armhf libpng-dev:armhf libgtest-dev:armhf libstdc++6:armhf
libjpeg-dev:arm64 libpng-dev:arm64 libgtest-dev:arm64 libstdc++6:arm64"
# The browser build: Debian's Emscripten (with clang-14, lld-14, binaryen and node-acorn; a
# node that is not Debian's own finds acorn through NODE_PATH=/usr/share/nodejs, which the
# Makefile sets). Its tests run the page in Debian's Chromium, headless; the PNG reader is
# python3-pil's. Nothing is downloaded from elsewhere: no ports, no browser of npm's.
WEB_PACKAGES="cmake make emscripten"
WEB_TEST_PACKAGES="$WEB_PACKAGES chromium python3-pil"
# The ARM builds (make arm) take their libraries from Debian's armhf and arm64 archives.
TEST_FOREIGN_ARCHES="armhf arm64"

case $mode in
game) PACKAGES=$GAME_PACKAGES FOREIGN_ARCHES="" ;;
package) PACKAGES="$GAME_PACKAGES $PACKAGE_PACKAGES" FOREIGN_ARCHES="" ;;
web) PACKAGES=$WEB_PACKAGES FOREIGN_ARCHES="" ;;
test) PACKAGES="$GAME_PACKAGES $PACKAGE_PACKAGES $TEST_PACKAGES $WEB_TEST_PACKAGES" FOREIGN_ARCHES=$TEST_FOREIGN_ARCHES ;;
*)
    echo "usage: tools/deps.sh [game|package|web|test]" >&2
    exit 2
    ;;
esac

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "deps: missing Debian packages:$missing"
if [ "$(id -u)" = 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    SUDO="sudo -n"
else
    echo "deps: these Debian packages are needed but not installed:$missing" >&2
    echo "deps: install them as root with:" >&2
    echo "    apt-get update && apt-get install -y$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive

# How long to wait for another package manager (an unattended upgrade, a second build's deps
# step) to let go of the package database or apt's lists.
LOCK_WAIT=600
# `apt-get install` waits for the package database itself (DPkg::Lock::Timeout), but Debian
# 12's `apt-get update` fails at once when apt's lists are locked: while a command fails
# because a lock is held, it is tried again, until LOCK_WAIT seconds have passed.
# (`dpkg --add-architecture` takes no lock.)
waiting_for_lock() {
    log=$(mktemp)
    started=$(date +%s)
    while :; do
        # The command's output is shown as it comes, and kept to look for a lock message.
        { status=0; "$@" 2>&1 || status=$?; echo "$status" >"$log.status"; } | tee "$log"
        status=$(cat "$log.status")
        if [ "$status" -eq 0 ] ||
            ! grep -qiE 'could not get lock|unable to acquire|lock was locked|is locked by another' "$log"; then
            rm -f "$log" "$log.status"
            return "$status"
        fi
        if [ $(($(date +%s) - started)) -ge "$LOCK_WAIT" ]; then
            echo "deps: the package database stayed locked for $LOCK_WAIT s" >&2
            rm -f "$log" "$log.status"
            return "$status"
        fi
        echo "deps: another package manager holds the lock; waiting for it"
        sleep 5
    done
}

APT="apt-get -o DPkg::Lock::Timeout=$LOCK_WAIT"
for a in $FOREIGN_ARCHES; do
    dpkg --print-foreign-architectures | grep -qx "$a" || $SUDO dpkg --add-architecture "$a"
done
waiting_for_lock $SUDO $APT update -q
# shellcheck disable=SC2086
waiting_for_lock $SUDO $APT install -y -q --no-install-recommends $missing
