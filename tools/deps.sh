#!/bin/sh
# Installs the Debian packages the build, the tests and the play tests need, when any is
# missing. Runs apt-get as root, or through sudo without a password; otherwise says what to do.
set -e

PACKAGES="cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev libjpeg-dev libpng-dev
libgtest-dev clang clang-format libclang-rt-14-dev python3-pil fonts-dejavu-core fonts-dejavu-extra xvfb xdotool
desktop-file-utils appstream man-db groff-base dpkg-dev file libx11-dev
crossbuild-essential-armhf crossbuild-essential-arm64 qemu-user
libjpeg-dev:armhf libpng-dev:armhf libgtest-dev:armhf libstdc++6:armhf
libjpeg-dev:arm64 libpng-dev:arm64 libgtest-dev:arm64 libstdc++6:arm64"
# The ARM builds (make arm) take their libraries from Debian's armhf and arm64 archives.
FOREIGN_ARCHES="armhf arm64"

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
for a in $FOREIGN_ARCHES; do
    dpkg --print-foreign-architectures | grep -qx "$a" || $SUDO dpkg --add-architecture "$a"
done
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
