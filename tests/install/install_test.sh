#!/bin/sh
# The game as a player gets it. `install`: cmake --install into a DESTDIR and under a second
# prefix that is then moved; `package`: the .deb made by CPack, unpacked with dpkg -x. Each
# tree is checked with the tools a distribution uses (desktop-file-validate, appstreamcli, man),
# and its binary plays a short script offscreen with an empty HOME: every sample loads from
# the installed copy, and the desktop entry's Exec and Icon are installed files.
#
# usage: install_test.sh install|package BUILD_DIR SOURCE_DIR WORK_DIR
set -eu
kind=$1 build=$2 src=$3 work=$4
id=org.tavrin.Tavrin
failed=0
fail() { echo "FAIL: $*"; failed=1; }

rm -rf "$work"
mkdir -p "$work"
# The packaging and checking tools get a home of their own too: nothing is written outside $work.
export HOME="$work/tools-home" XDG_CACHE_HOME="$work/tools-home/.cache"
mkdir -p "$HOME"

# cmake --install and cpack write install_manifest.txt into the build folder: put back the one
# that a developer's own install left there (the two tests hold a lock on it).
manifest=$build/install_manifest.txt
[ ! -f "$manifest" ] || cp "$manifest" "$work/manifest.saved"
restore_manifest() {
    if [ -f "$work/manifest.saved" ]; then cp "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
}
trap restore_manifest EXIT

# check_tree ROOT MANPAGE LICENCE: the files of an installed tree under ROOT (a prefix),
# validated. The package has the manual page compressed and the licence named as Debian does.
check_tree() {
    root=$1 page=$root/$2
    for f in share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
             "$2" share/doc/tavrin/README.md "$3" \
             share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/64x64/apps/$id.png \
             share/icons/hicolor/128x128/apps/$id.png share/icons/hicolor/256x256/apps/$id.png; do
        [ -s "$root/$f" ] || fail "$root/$f is not installed"
    done
    n=$(ls "$root/share/tavrin/sounds/"*.wvx 2>/dev/null | wc -l)
    [ "$n" -eq 8 ] || fail "$root/share/tavrin/sounds/ holds $n samples, not 8"

    out=$(desktop-file-validate "$root/share/applications/$id.desktop" 2>&1) ||
        fail "desktop-file-validate failed"
    [ -z "$out" ] || fail "desktop-file-validate: $out"
    out=$(appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" 2>&1) ||
        fail "appstreamcli validate failed: $out"
    # Errors, warnings and infos are lines "E: ", "W: ", "I: "; pedantic hints are not asked for.
    if echo "$out" | grep -qE '^[EWI]: '; then fail "appstreamcli validate: $out"; fi
    out=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
        fail "man failed: $out"
    [ -z "$out" ] || fail "man --warnings: $out"
    out=$(zcat -f "$page" | groff -ww -man -z 2>&1) || fail "groff failed: $out"
    [ -z "$out" ] || fail "groff -ww: $out"

    # The desktop entry starts an installed binary (looked up as on a PATH of the tree's
    # binary folders) and names an installed icon.
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/share/applications/$id.desktop")
    case $exec_name in
        /*) [ -x "$root$exec_name" ] || fail "Exec=$exec_name is not an installed program" ;;
        *) [ -x "$root/bin/$exec_name" ] || [ -x "$root/games/$exec_name" ] ||
               fail "Exec=$exec_name is neither in $root/bin nor in $root/games" ;;
    esac
    icon=$(sed -n 's/^Icon=//p' "$root/share/applications/$id.desktop")
    for size in 48 64 128 256; do
        png=$root/share/icons/hicolor/${size}x$size/apps/$icon.png
        if [ -f "$png" ]; then
            # The picture's own size, from the PNG header, is the size its folder names.
            dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
            [ "$dims" = "${size}x$size" ] || fail "$png is $dims, not ${size}x$size"
        else
            fail "Icon=$icon has no ${size}x$size picture"
        fi
    done
}

# play ROOT NAME [MISSING]: the tree's binary plays the short script with an empty HOME. Every
# sample loads, except MISSING (removed beforehand), which must be reported at its installed
# path: so the samples are the tree's own, not the source tree's.
play() {
    root=$1 name=$2 missing=${3:-}
    home=$work/$name/home run=$work/$name/run
    mkdir -p "$home" "$run"
    bin=$root/bin/tavrin
    [ -x "$bin" ] || bin=$root/games/tavrin
    status=0
    (cd "$run" && HOME=$home XDG_CONFIG_HOME=$home/.config "$bin" -platform offscreen \
        -script "$src/tests/install/short.script" >stdout.txt 2>stderr.txt) || status=$?
    [ "$status" -eq 0 ] || { fail "$name: $bin ended with status $status"; cat "$run/stderr.txt"; }
    grep -q '^SndInit()$' "$run/stdout.txt" || fail "$name: the sound start-up did not run"
    grep -q '^SndPlay 255$' "$run/stdout.txt" || fail "$name: the menu cursor played no effect"
    if [ -z "$missing" ]; then
        if grep -q 'Mix_LoadWAV' "$run/stdout.txt"; then
            fail "$name: samples did not load:"; grep 'Mix_LoadWAV' "$run/stdout.txt"
        fi
    else
        expected="Couldn't open $root/share/tavrin/sounds/$missing"
        grep -qF "$expected" "$run/stdout.txt" || fail "$name: no line '$expected'"
        [ "$(grep -c 'Mix_LoadWAV' "$run/stdout.txt")" -eq 1 ] ||
            { fail "$name: other samples did not load:"; grep 'Mix_LoadWAV' "$run/stdout.txt"; }
    fi
    [ -s "$run/menu.png" ] || fail "$name: no screenshot"
    [ -s "$home/Applications/tavrin.conf" ] || fail "$name: no progress file was saved"
}

case $kind in
install)
    # A staged install, as a distribution builds it.
    DESTDIR=$work/destdir cmake --install "$build" --prefix /usr >"$work/install.log"
    check_tree "$work/destdir/usr" share/man/man6/tavrin.6 share/doc/tavrin/LICENSE
    play "$work/destdir/usr" destdir
    # Installed under one prefix and moved: the binary still finds its own samples.
    cmake --install "$build" --prefix "$work/first" >>"$work/install.log"
    mv "$work/first" "$work/moved"
    rm "$work/moved/share/tavrin/sounds/samp_km.wvx"
    play "$work/moved" moved samp_km.wvx
    ;;
package)
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
        { cat "$work/cpack.log"; exit 1; }
    deb=$(ls "$work"/cpack/*.deb)
    dpkg-deb --info "$deb" >"$work/info.txt"
    [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package's section is not games"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "the package has no maintainer"
    [ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "the package has no description"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libjpeg62-turbo libpng16-16; do
        echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
    done
    dpkg -x "$deb" "$work/root"
    check_tree "$work/root/usr" share/man/man6/tavrin.6.gz share/doc/tavrin/copyright
    play "$work/root/usr" package
    ;;
*)
    echo "usage: install_test.sh install|package BUILD_DIR SOURCE_DIR WORK_DIR" >&2
    exit 2
    ;;
esac

[ "$failed" -eq 0 ] || exit 1
echo "$kind tree: every file installed and valid, the installed game played with its own samples"
