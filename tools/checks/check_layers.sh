#!/bin/sh
# The stack of the game's libraries, checked on the built libraries (cmake/libraries.cmake).
# The libraries come bottom first; each lists the libraries it may use. Fails, with each
# fault, when a library lists one that is not below it, when it uses code or a global of a
# library it does not list, or when the libraries' uses of each other form a circle.
#
# What a library uses, read with nm:
# - a function or global that it leaves undefined (weakly or not) and another library defines,
#   strongly, or weakly with its place in that library's folder (below);
# - inline code: inline functions, templates, an inline function's static locals and inline
#   variables are defined weakly (nm's W, V and u) in every library that uses them, the owner
#   and each user alike, so that a weak definition by itself says nothing about who owns it.
#   Its owner is the folder of the file that holds its definition, which the line information
#   gives (nm -l): a weak symbol of a library whose definition sits in another folder's header
#   is a use of that folder, however many libraries carry a copy (the owner's own copy and a
#   copy in a library that lists the owner are no fault). Weak symbols without a place
#   in the tree (the C++ library's templates, vtables, typeinfo) are nobody's here; a class's
#   inline code is judged by its functions. An inline function folded into every caller leaves
#   no symbol, but its static locals stay. Without line information (a build without -g, or
#   the browser build's objects, which no nm here places) the weak symbols cannot be placed:
#   the check says so and judges the rest; the header check still sees every include that
#   inline code needs. A constant folded into the code leaves no symbol at all: only the
#   header check sees that use.
#
# usage: check_layers.sh NM ROOT FOLDER=LIBRARY=USED,USED... ...   (bottom first)
#   ROOT: the source tree, whose folder FOLDER holds the library's sources and headers
set -eu
export LC_ALL=C
nm=$1 root=$2
shift 2
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

# An nm that reads line information: the one given, else the binutils one on the PATH (which
# reads what clang writes too); none for files that only the given one reads.
first=${1#*=}
first=${first%%=*}
linenm=""
for candidate in "$nm" nm; do
    # It must list symbols: binutils' nm succeeds on an archive whose members it cannot read.
    if "$candidate" -l -g --defined-only "$first" 2>/dev/null | grep -qE '^[0-9a-fA-F]+ [A-Za-z] '; then
        linenm=$candidate
        break
    fi
done

# Strong definitions, by library, and weak ones placed by their files, as "symbol folder" (the
# folder that owns it). Paths in the line information are made plain ("build/../x" is "x")
# and taken relative to the tree.
roots=$(
    cd "$root"
    pwd -L
    pwd -P
)
: >"$tmp/placed"
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    lib=${rest%%=*}
    "$nm" -g --defined-only "$lib" | awk -v f="$folder" 'NF == 3 && $2 ~ /^[TDBRC]$/ { print $3, f }'
    [ -n "$linenm" ] || continue
    "$linenm" -l -g --defined-only "$lib" | awk -F'\t' -v f="$folder" -v roots="$roots" -v placed="$tmp/placed" '
        function plain(path,    n, parts, out, i, k, result) {
            n = split(path, parts, "/")
            k = 0
            for (i = 1; i <= n; i++) {
                if (parts[i] == "" || parts[i] == ".") continue
                if (parts[i] == ".." && k > 0) { k--; continue }
                out[++k] = parts[i]
            }
            result = ""
            for (i = 1; i <= k; i++) result = result "/" out[i]
            return result
        }
        BEGIN { n = split(roots, prefix, "\n"); for (i = 1; i <= n; i++) prefix[i] = plain(prefix[i]) "/" }
        {
            split($1, word, " ")
            if (word[2] !~ /^[WVu]$/) next
            if (NF < 2) { print "unplaced" >> placed; next }
            file = plain($2)
            sub(/:[0-9]+$/, "", file)
            print "placed" >> placed
            for (i = 1; i <= n; i++) {
                if (index(file, prefix[i]) != 1) continue
                file = substr(file, length(prefix[i]) + 1)
                # symbol, owner (the folder of its file), the library that carries it, the file
                print word[3], substr(file, 1, index(file, "/") - 1), f, file
                break
            }
        }' >>"$tmp/weak"
done | sort -u >"$tmp/strong"
touch "$tmp/weak"
folders=$(for entry in "$@"; do echo "${entry%%=*}"; done)
# Only the stack's folders own anything; a file elsewhere in the tree (the build's own) does not.
echo "$folders" | awk 'NR == FNR { known[$1] = 1; next } ($2 in known)' - "$tmp/weak" | sort -u >"$tmp/weak.owned"
awk '{ print $1, $2 }' "$tmp/weak.owned" | cat - "$tmp/strong" | sort -u >"$tmp/defined"

: >"$tmp/edges"
for entry in "$@"; do
    folder=${entry%%=*} rest=${entry#*=}
    lib=${rest%%=*} uses=${rest#*=}
    echo "$folder $folder" >>"$tmp/edges"
    # Undefined, weakly or not.
    "$nm" -u "$lib" | awk 'NF == 2 && $1 ~ /^[Uwv]$/ { print $2 }' | sort -u >"$tmp/used"
    # Each used symbol that another of the game's folders defines, with that folder, and each
    # weak definition that another folder's file holds.
    {
        join "$tmp/used" "$tmp/defined" | awk -v f="$folder" '$2 != f { print $1, $2, "" }'
        awk -v f="$folder" '$3 == f && $2 != f { print $1, $2, $4 }' "$tmp/weak.owned"
    } | sort -u >"$tmp/foreign"
    awk -v f="$folder" '{ print f, $2 }' "$tmp/foreign" >>"$tmp/edges"
    awk -v uses=",$uses," 'index(uses, "," $2 ",") == 0' "$tmp/foreign" >"$tmp/bad"
    if [ -s "$tmp/bad" ]; then
        status=1
        while read -r symbol owner file; do
            name=$(echo "$symbol" | c++filt)
            if [ -n "$file" ]; then
                echo "check_layers: $folder/ uses $name of $owner/, inline code from $file, which it may not use" >&2
            else
                echo "check_layers: $folder/ uses $name of $owner/, which it may not use" >&2
            fi
        done <"$tmp/bad"
    fi
done

# The uses between the built libraries, whatever the lists say, must not come round in a circle.
if ! sort -u "$tmp/edges" | tsort >/dev/null 2>"$tmp/loop"; then
    status=1
    echo "check_layers: the libraries use each other in a circle:" $(grep -v 'input contains a loop' "$tmp/loop" | sed 's/^tsort: //') >&2
fi

# Weak symbols, but none with a place: the line information is missing.
if [ -z "$linenm" ] || { grep -q '^unplaced$' "$tmp/placed" && ! grep -q '^placed$' "$tmp/placed"; }; then
    echo "check_layers: note: no line information in the libraries (a build without -g, or an nm that" \
        "cannot read it), so their inline and template code is not placed; a build with it judges that"
fi

if [ "$status" -ne 0 ]; then
    echo "check_layers: cmake/libraries.cmake states the stack, bottom first, and what each library may use" >&2
fi
exit "$status"
