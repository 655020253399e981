#!/bin/sh
# Installs the Debian packages the build, the tests and the play tests need, when any is
# missing. Runs apt-get as root, or through sudo without a password; otherwise says what to do.
set -e

PACKAGES="cmake g++ make pkg-config libsdl2-dev libsdl2-mixer-dev libjpeg-dev libpng-dev
libgtest-dev clang libclang-rt-14-dev python3-pil fonts-dejavu-core xvfb xdotool
desktop-file-utils appstream man-db groff-base dpkg-dev file libx11-dev"

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
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
