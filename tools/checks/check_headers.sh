#!/bin/sh
# The game's headers, as the folders include them (cmake/libraries.cmake states the stack):
# - a folder's files (those the build compiles, and its headers) include only the folder's own
#   headers and those of the folders it may use, so that not even a header points up the stack;
# - a folder's internal headers stay inside it. A header is internal when its opening comment
#   has a line
#       // Internal header: only platform/ and its tests include it.
#   and every folder that line names (the header's own first) may include it, with the tests
#   of those folders.
# Fails, with each fault, when a file of the tree breaks either.
#
# usage: check_headers.sh ROOT FOLDER=USED,USED...=TESTS=FILES ...
#   ROOT: the source tree (folders named build* are the build's and are skipped)
#   USED: the folders it may use
#   TESTS: comma-separated patterns, relative to ROOT, of the folder's tests
#          (tests/unit/platform_*,tests/fuzz/fuzz_script.cpp)
#   FILES: comma-separated, relative to ROOT: the folder's files that this build compiles
#          and its headers (a back end another build chooses keeps to that build's list)
set -eu
export LC_ALL=C
root=$1
shift
cd "$root"
status=0
set -f  # the test patterns are matched by case, not expanded here

entries="$*"
folders=""
for entry in "$@"; do folders="$folders ${entry%%=*}"; done

# Field n (1: the folder, 2: its uses, 3: its tests, 4: its files) of an argument, split at commas.
field() {
    echo "$1" | cut -d= -f"$2" | tr ',' ' '
}

# The tests of a folder, from the command line.
testsOf() {
    for entry in $entries; do
        [ "${entry%%=*}" = "$1" ] && field "$entry" 3
    done
    return 0
}

# Includes go down the stack only.
for entry in "$@"; do
    folder=${entry%%=*}
    uses=" $(field "$entry" 2) "
    for file in $(field "$entry" 4); do
        [ -f "$file" ] || continue
        for included in $(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]([a-z_]+)\/[^">]*[">].*/\1/p' "$file" | sort -u); do
            [ "$included" = "$folder" ] && continue
            case " $folders " in *" $included "*) ;; *) continue ;; esac
            case $uses in
                *" $included "*) ;;
                *)
                    echo "check_headers: $file includes a header of $included/, which $folder/ may not use" >&2
                    status=1
                    ;;
            esac
        done
    done
done

# Internal headers stay with the folders they name and those folders' tests.
for entry in "$@"; do
    folder=${entry%%=*}
    set +f
    headers=$(ls "$folder"/*.h 2>/dev/null || true)
    set -f
    for header in $headers; do
        marker=$(grep -m1 '^// Internal header:' "$header" || true)
        [ -n "$marker" ] || continue
        # The folders it names; its own folder is always among them.
        allowed=$(printf '%s/\n%s\n' "$folder" "$marker" | grep -oE '[a-z_]+/' | tr -d '/' | awk '!seen[$0]++' | tr '\n' ' ')
        patterns=""
        for f in $allowed; do patterns="$patterns $(testsOf "$f")"; done
        escaped=$(echo "$header" | sed 's/\./\\./g')
        users=$(grep -rlE --include='*.cpp' --include='*.h' --include='*.cc' --include='*.c' \
            --exclude-dir='build*' --exclude-dir=.git \
            "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]${escaped}[\">]" . | sed 's|^\./||' | sort || true)
        for user in $users; do
            ok=0
            for f in $allowed; do
                case $user in "$f"/*) ok=1 ;; esac
            done
            for pattern in $patterns; do
                # shellcheck disable=SC2254
                case $user in $pattern) ok=1 ;; esac
            done
            if [ "$ok" -eq 0 ]; then
                echo "check_headers: $user includes $header, which is internal to $(echo "$allowed" | sed 's/ *$//; s/ /\/, /g')/" >&2
                status=1
            fi
        done
    done
done

if [ "$status" -ne 0 ]; then
    echo "check_headers: cmake/libraries.cmake states what each folder may use; a header that says" \
        "'Internal header:' is for the folders it names and their tests, what others use belongs in a public header" >&2
fi
exit "$status"
