#!/bin/sh
# Every variable the game's built libraries define (data and bss, small data, weak and unique
# objects), as C++ records for tests/unit/globals_test.cpp: that test holds the globals
# snapshot against this list, so a global the snapshot misses is named however it was added.
# Run by the build (cmake/tests.cmake) with the toolchain's nm, so that a cross build lists its
# own objects. The file is rewritten only when the list changes.
#
# usage: list_globals.sh NM OUTPUT FOLDER=LIBRARY ...
#   each record: {"folder", "object file", 'kind', "symbol as the object names it"},
set -eu
export LC_ALL=C
nm=$1 out=$2
shift 2
tmp="$out.tmp"
: >"$tmp"
for entry in "$@"; do
    folder=${entry%%=*} lib=${entry#*=}
    # An archive's listing names each member on a line of its own ("level.cpp.o:"), then its
    # symbols as "address kind name".
    "$nm" --defined-only "$lib" | awk -v f="$folder" '
        /^$/ { next }
        NF == 1 && /:$/ { object = substr($1, 1, length($1) - 1); next }
        NF == 3 && $2 ~ /^[BbDdGgSsVvu]$/ { printf "{\"%s\", \"%s\", '\''%s'\'', \"%s\"},\n", f, object, $2, $3 }
    ' >>"$tmp"
done
# A library that lists no variable at all means the listing went wrong.
[ -s "$tmp" ] || { echo "list_globals: $nm found no variable in $*" >&2; rm -f "$tmp"; exit 1; }
if cmp -s "$tmp" "$out"; then rm -f "$tmp"; else mv "$tmp" "$out"; fi
