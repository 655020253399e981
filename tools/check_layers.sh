#!/bin/sh
# The layering of the game's folders, checked on the built libraries (cmake/libraries.cmake):
# every function or global that a folder's library uses from another of the game's libraries
# must come from a folder that it lists as one it may use. Fails with each offending use.
#
# usage: check_layers.sh NM FOLDER=LIBRARY=USED,USED... ...
set -eu
export LC_ALL=C
nm=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Strong definitions only: inline functions and templates are weak, in every library that
# includes their header.
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    lib=${rest%%=*}
    "$nm" -g --defined-only "$lib" | awk -v f="$folder" 'NF == 3 && $2 ~ /^[TDBRC]$/ { print $3, f }'
done | sort -u >"$tmp/defined"

status=0
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    lib=${rest%%=*} uses=${rest#*=}
    "$nm" -u "$lib" | awk 'NF == 2 && $1 == "U" { print $2 }' | sort -u >"$tmp/used"
    # Each used symbol that another of the game's folders defines, with that folder.
    join "$tmp/used" "$tmp/defined" | awk -v f="$folder" -v uses=",$uses," \
        '$2 != f && index(uses, "," $2 ",") == 0 { print $1, $2 }' >"$tmp/bad"
    if [ -s "$tmp/bad" ]; then
        status=1
        while read -r symbol owner; do
            name=$(echo "$symbol" | c++filt)
            echo "check_layers: $folder/ uses $name of $owner/, which it may not use" >&2
        done <"$tmp/bad"
    fi
done
if [ "$status" -ne 0 ]; then
    echo "check_layers: cmake/libraries.cmake lists the folders each folder may use" >&2
fi
exit "$status"
