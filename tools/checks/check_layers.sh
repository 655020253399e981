#!/bin/sh
# The stack of the game's libraries, checked on the built libraries (cmake/libraries.cmake).
# The libraries come bottom first; each lists the libraries it may use. Fails, with each
# fault, when a library lists one that is not below it, when it uses a function or a global
# of a library it does not list, or when the libraries' uses of each other form a circle.
#
# usage: check_layers.sh NM FOLDER=LIBRARY=USED,USED... ...   (bottom first)
set -eu
export LC_ALL=C
nm=$1
shift
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

# Every library it lists lies below it: named earlier on the command line.
below=","
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    uses=${rest#*=}
    for used in $(echo "$uses" | tr ',' ' '); do
        case $below in
            *",$used,"*) ;;
            *)
                echo "check_layers: $folder/ lists $used/, which is not below it" >&2
                status=1
                ;;
        esac
    done
    below="$below$folder,"
done

# Strong definitions only: inline functions and templates are weak, in every library that
# includes their header.
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    lib=${rest%%=*}
    "$nm" -g --defined-only "$lib" | awk -v f="$folder" 'NF == 3 && $2 ~ /^[TDBRC]$/ { print $3, f }'
done | sort -u >"$tmp/defined"

: >"$tmp/edges"
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    lib=${rest%%=*} uses=${rest#*=}
    echo "$folder $folder" >>"$tmp/edges"
    "$nm" -u "$lib" | awk 'NF == 2 && $1 == "U" { print $2 }' | sort -u >"$tmp/used"
    # Each used symbol that another of the game's folders defines, with that folder.
    join "$tmp/used" "$tmp/defined" | awk -v f="$folder" '$2 != f' >"$tmp/foreign"
    awk -v f="$folder" '{ print f, $2 }' "$tmp/foreign" >>"$tmp/edges"
    awk -v uses=",$uses," 'index(uses, "," $2 ",") == 0' "$tmp/foreign" >"$tmp/bad"
    if [ -s "$tmp/bad" ]; then
        status=1
        while read -r symbol owner; do
            name=$(echo "$symbol" | c++filt)
            echo "check_layers: $folder/ uses $name of $owner/, which it may not use" >&2
        done <"$tmp/bad"
    fi
done

# The uses between the built libraries, whatever the lists say, must not come round in a circle.
if ! sort -u "$tmp/edges" | tsort >/dev/null 2>"$tmp/loop"; then
    status=1
    echo "check_layers: the libraries use each other in a circle:" $(grep -v 'input contains a loop' "$tmp/loop" | sed 's/^tsort: //') >&2
fi

if [ "$status" -ne 0 ]; then
    echo "check_layers: cmake/libraries.cmake states the stack, bottom first, and what each library may use" >&2
fi
exit "$status"
