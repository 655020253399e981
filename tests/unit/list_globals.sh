#!/bin/sh
# Every variable the game's built libraries define in writable memory (data and bss, small
# data, weak and unique objects), as C++ records for tests/unit/globals_test.cpp: that test holds the globals
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
    # The System V listing gives each symbol's section: what lies in read-only data, or in
    # data the loader relocates and then protects (constant tables of pointers, the classes'
    # tables), is no state. Each member of the archive starts with "Symbols from
    # lib.a[level.cpp.o]:" (or "Symbols from level.cpp.o:"), then one "name|value|kind|type|
    # size|line|section" line a symbol.
    "$nm" --defined-only --format=sysv "$lib" | awk -F'|' -v f="$folder" '
        /^Symbols from / {
            object = substr($0, 14)
            sub(/:[ \t]*$/, "", object)
            if (index(object, "[") > 0) { object = substr(object, index(object, "[") + 1); sub(/\].*$/, "", object) }
            sub(/^.*\//, "", object)
            next
        }
        NF >= 7 {
            name = $1; kind = $3; section = $7
            gsub(/[ \t]/, "", name); gsub(/[ \t]/, "", kind); gsub(/[ \t]/, "", section)
            if (kind !~ /^[BbDdGgSsVvu]$/) next
            if (section !~ /^\.(data|bss|tdata|tbss|sdata|sbss)/ || section ~ /^\.data\.rel\.ro/) next
            printf "{\"%s\", \"%s\", '\''%s'\'', \"%s\"},\n", f, object, kind, name
        }
    ' >>"$tmp"
done
# A library that lists no variable at all means the listing went wrong.
[ -s "$tmp" ] || { echo "list_globals: $nm found no variable in $*" >&2; rm -f "$tmp"; exit 1; }
if cmp -s "$tmp" "$out"; then rm -f "$tmp"; else mv "$tmp" "$out"; fi
