#!/bin/sh
# The game as a player gets it. `install`: cmake --install into a DESTDIR and under a second
# prefix that is then moved; `package`: the .deb built as `make package` builds it
# (tools/package.sh, in WORK_DIR/build), unpacked with dpkg -x; `lintian`: lintian's verdict on
# the .deb that `package` left in DEB_DIR. Each tree is checked with the tools a distribution
# uses (desktop-file-validate, appstreamcli, man), and its binary plays a short script
# offscreen with an empty HOME: every sample loads from the installed copy, the desktop entry's
# Exec and Icon are installed files, the installed README is the players' and its links lead
# to installed files. The package's every date is SOURCE_DATE_EPOCH.
#
# usage: install_test.sh install|package BUILD_DIR SOURCE_DIR WORK_DIR
#        install_test.sh lintian BUILD_DIR SOURCE_DIR WORK_DIR DEB_DIR
set -eu
kind=$1 build=$2 src=$3 work=$4 debs=${5:-}
id=org.tavrin.Tavrin
failed=0
fail() { echo "FAIL: $*"; failed=1; }

rm -rf "$work"
mkdir -p "$work"
# The packaging and checking tools get a home of their own too: nothing is written outside $work.
export HOME="$work/tools-home" XDG_CACHE_HOME="$work/tools-home/.cache"
mkdir -p "$HOME"

# cmake --install writes install_manifest.txt into the build folder: put back the one that a
# developer's own install left there (the install test holds a lock on it).
manifest=$build/install_manifest.txt
restore_manifest() {
    if [ -f "$work/manifest.saved" ]; then cp "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
}
if [ "$kind" = install ]; then
    [ ! -f "$manifest" ] || cp "$manifest" "$work/manifest.saved"
    trap restore_manifest EXIT
fi

# check_tree TOP PREFIX MANPAGE: the files of a tree installed under PREFIX into the folder
# TOP (a DESTDIR, or an unpacked package), validated. The package has the manual page and the
# larger docs compressed, as Debian does.
check_tree() {
    top=$1 root=$1$2 page=$1$2/$3
    for f in share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
             "$3" share/doc/tavrin/README.md share/doc/tavrin/copyright \
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

    # The desktop entry starts an installed binary (an absolute path in the tree, or looked up
    # as on a PATH of the tree's binary folders) and names an installed icon.
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/share/applications/$id.desktop")
    case $exec_name in
        /*) [ -f "$top$exec_name" ] && [ -x "$top$exec_name" ] ||
               fail "Exec=$exec_name is not an installed program" ;;
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

    # The installed README is the players' one, not the source tree's, and every link of it
    # that is not a web address leads to an installed file (compressed, in the package, when
    # over 4 KB, as Debian's doc readers expect).
    doc=$root/share/doc/tavrin
    cmp -s "$doc/README.md" "$src/docs/playing.md" ||
        fail "the installed README.md is not docs/playing.md, the players' README"
    links=$(grep -oE '\]\([^)]+\)' "$doc/README.md" | sed 's/^](//; s/)$//; s/#.*//' |
        grep -vE '^[a-z]+:' | sort -u)
    [ -n "$links" ] || fail "found no link in $doc/README.md to check"
    for link in $links; do
        [ -s "$doc/$link" ] || [ -s "$doc/$link.gz" ] ||
            fail "the installed README links to $link, which is not installed"
    done
    # The copyright file is machine-readable and carries the fonts' licence in full.
    head -n 1 "$doc/copyright" |
        grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "$doc/copyright is not in Debian's machine-readable format"
    for text in '^License: Expat$' '^License: Bitstream-Vera$' 'DejaVu changes are in public domain' \
                'names of Gnome, the Gnome$'; do
        grep -q "$text" "$doc/copyright" || fail "$doc/copyright lacks '$text'"
    done
}

# check_reproducible DEB EPOCH: every date in the package is EPOCH (the ar members, the
# compressed archives' headers, and every member of control.tar and data.tar), and data.tar
# lists its files in sorted order, as dpkg-deb does: so two builds of one source are the same
# bytes, without building twice here.
check_reproducible() {
    out=$(python3 - "$1" "$2" <<'PY'
import io, struct, sys, tarfile
deb, epoch = sys.argv[1], int(sys.argv[2])
data = open(deb, "rb").read()
assert data[:8] == b"!<arch>\n", "not an ar archive"
pos, bad = 8, []
while pos < len(data):
    head = data[pos:pos + 60]
    name, mtime, size = head[:16].decode().strip(), int(head[16:28]), int(head[48:58])
    body = data[pos + 60:pos + 60 + size]
    pos += 60 + size + (size & 1)
    if mtime != epoch:
        bad.append(f"{name} is dated {mtime}")
    if not name.startswith(("control.tar", "data.tar")):
        continue
    if name.endswith(".gz"):
        stamp = struct.unpack("<I", body[4:8])[0]
        if stamp not in (0, epoch):
            bad.append(f"{name}'s gzip header is dated {stamp}")
    with tarfile.open(fileobj=io.BytesIO(body)) as tar:
        members = tar.getmembers()
    bad += [f"{name}: {m.name} is dated {m.mtime}" for m in members if m.mtime != epoch]
    names = [m.name.rstrip("/") for m in members]
    if name.startswith("data.tar") and names != sorted(names, key=lambda n: n.encode()):
        bad.append(f"{name} does not list its files in sorted order")
print("\n".join(bad[:20]))
PY
) || { fail "could not read the dates in $1"; return; }
    [ -z "$out" ] || fail "dates in the package other than SOURCE_DATE_EPOCH $2: $out"
}

# check_hardened BINARY: stripped as Debian strips, and built with Debian's hardening flags.
check_hardened() {
    elf=$(LC_ALL=C readelf -W --file-header --program-headers --section-headers --dynamic \
        --dyn-syms "$1") || { fail "readelf $1 failed"; return; }
    echo "$elf" | grep -qE '\] \.symtab ' && fail "$1 keeps its symbol table (not stripped)"
    echo "$elf" | grep -qE '\] \.debug_' && fail "$1 keeps debug sections"
    echo "$elf" | grep -qE '\] \.comment ' && fail "$1 keeps the compiler's .comment section"
    echo "$elf" | grep -qE 'Type: +DYN ' || fail "$1 is not position-independent"
    echo "$elf" | grep -qE 'Flags:.*PIE' || fail "$1 is not marked as a PIE"
    echo "$elf" | grep -q 'GNU_RELRO' || fail "$1 has no read-only relocations (-z relro)"
    echo "$elf" | grep -qE 'BIND_NOW|Flags:.* NOW' || fail "$1 is not bound at start-up (-z now)"
    # __memcpy_chk and the like; not __stack_chk_fail, which is the stack protector's.
    echo "$elf" | grep -qE ' __[a-z0-9_]+_chk(@| |$)' || fail "$1 calls no fortified function"
    echo "$elf" | grep -q '__stack_chk_fail' || fail "$1 has no stack protector"
    return 0
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
    check_tree "$work/destdir" /usr share/man/man6/tavrin.6
    [ -s "$work/destdir/usr/share/doc/tavrin/LICENSE" ] || fail "the licence is not installed"
    play "$work/destdir/usr" destdir
    # Installed under one prefix and moved: the binary still finds its own samples.
    cmake --install "$build" --prefix "$work/first" >>"$work/install.log"
    mv "$work/first" "$work/moved"
    rm "$work/moved/share/tavrin/sounds/samp_km.wvx"
    play "$work/moved" moved samp_km.wvx
    ;;
package)
    sh "$src/tools/package.sh" "$src" "$work/build" 2 >"$work/package.log" 2>&1 ||
        { cat "$work/package.log"; exit 1; }
    deb=$(ls "$work"/build/tavrin_*.deb)
    dpkg-deb --info "$deb" >"$work/info.txt"
    [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package's section is not games"
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "the package has no maintainer"
    [ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "the package has no description"
    depends=$(dpkg-deb -f "$deb" Depends)
    for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libjpeg62-turbo libpng16-16; do
        echo "$depends" | grep -q "$lib" || fail "the package does not depend on $lib: $depends"
    done
    dpkg -x "$deb" "$work/root"
    check_tree "$work/root" /usr share/man/man6/tavrin.6.gz
    check_reproducible "$deb" "$(cat "$work/build/source-date-epoch")"
    # The package's date is the source's last commit unless SOURCE_DATE_EPOCH was given.
    if [ -z "${SOURCE_DATE_EPOCH:-}" ] && commit=$(git -C "$src" log -1 --format=%ct 2>/dev/null); then
        [ "$(cat "$work/build/source-date-epoch")" = "$commit" ] ||
            fail "the package is dated $(cat "$work/build/source-date-epoch"), not by the last commit ($commit)"
    fi
    # Debian's docs: no other licence file beside copyright, and every doc over 4 KB but the
    # copyright file and pictures compressed, the recording guide among them.
    doc=$work/root/usr/share/doc/tavrin
    [ ! -e "$doc/LICENSE" ] || fail "the package ships LICENSE beside copyright"
    [ -s "$doc/recording.md.gz" ] || fail "the package has no recording.md.gz"
    big=$(find "$doc" -type f -size +4096c ! -name copyright ! -name '*.gz' ! -name '*.png')
    [ -z "$big" ] || fail "docs over 4 KB left uncompressed: $big"

    # Debian's games layout: the game in /usr/games, nothing in /usr/bin, and the menu entry
    # starting it by that path (a menu's PATH may lack /usr/games).
    [ -x "$work/root/usr/games/tavrin" ] || fail "the package has no /usr/games/tavrin"
    [ ! -e "$work/root/usr/bin" ] || fail "the package installs into /usr/bin: $(ls "$work/root/usr/bin")"
    grep -qx 'Exec=/usr/games/tavrin' "$work/root/usr/share/applications/$id.desktop" ||
        fail "the menu entry does not start /usr/games/tavrin"
    check_hardened "$work/root/usr/games/tavrin"
    # The Debian changelog's latest entry is this package's version.
    changelog=$work/root/usr/share/doc/tavrin/changelog.Debian.gz
    version=$(dpkg-deb -f "$deb" Version)
    first=$(zcat "$changelog" | head -n 1)
    case $first in
        "tavrin ($version) "*) ;;
        *) fail "changelog.Debian.gz starts with '$first', not the package's version $version" ;;
    esac
    play "$work/root/usr" package
    ;;
lintian)
    deb=$(ls "$debs"/tavrin_*.deb)
    if ! command -v lintian >/dev/null 2>&1; then
        echo "SKIPPED: lintian is not installed, so the package was not checked by it"
        echo "(tools/deps.sh test, which make test runs, installs it)"
        exit 77
    fi
    # At lintian's default level; the overrides the package carries are honoured.
    status=0
    LC_ALL=C.UTF-8 lintian "$deb" >"$work/lintian.txt" 2>&1 || status=$?
    cat "$work/lintian.txt"
    grep -qE '^[EW]: ' "$work/lintian.txt" && fail "lintian reports errors or warnings"
    [ "$status" -eq 0 ] || fail "lintian ended with status $status"
    ;;
*)
    echo "usage: install_test.sh install|package|lintian BUILD_DIR SOURCE_DIR WORK_DIR [DEB_DIR]" >&2
    exit 2
    ;;
esac

[ "$failed" -eq 0 ] || exit 1
case $kind in
lintian) echo "lintian: no error and no warning on $(basename "$deb")" ;;
*) echo "$kind tree: every file installed and valid, the installed game played with its own samples" ;;
esac
