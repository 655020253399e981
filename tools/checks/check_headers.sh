#!/bin/sh
# The game's headers, as the folders include them (cmake/libraries.cmake states the stack):
# - every file of a folder (whatever build compiles it, headers too) includes only the folder's
#   own headers and those of the folders it may use, so that not even a header points up the
#   stack;
# - a folder's internal headers stay inside it. A header is internal when its opening comment
#   has a line
#       // Internal header: only platform/ and its tests include it.
#   and every folder that line names (the header's own first) may include it, with the tests
#   of those folders.
# An include is read as the compiler finds it: a quoted name is looked for next to the file
# first, then from the tree's root, so "../top/top.h" and "inside.h" count as the headers
# they reach. Fails, with each fault, when a file of the tree breaks either rule.
#
# usage: check_headers.sh ROOT FOLDER=USED,USED...=TESTS=FILE:USED+USED,... ...
#   ROOT: the source tree (folders named build* are the build's and are skipped)
#   USED: the folders it may use
#   TESTS: comma-separated patterns, relative to ROOT, of the folder's tests
#          (tests/unit/platform_*,tests/fuzz/fuzz_script.cpp)
#   FILE:USED+USED: a file of the folder that another build compiles with more to use than
#          the folder's list (sound/sound_web.cpp:catalogue); it alone may use those too
set -eu
export LC_ALL=C
root=$1
shift
cd "$root"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The stack, one folder a line: folder, its uses, its tests, its files' own uses (tab-separated).
for entry in "$@"; do
    echo "$entry" | awk -F= -v OFS='\t' '{ gsub(",", " ", $2); gsub(",", " ", $3); gsub(",", " ", $4); print $1, $2, $3, $4 }'
done >"$tmp/stack"

# Every source file of the tree, whatever the build configuration compiles.
find . -type d \( -name 'build*' -o -name .git \) -prune -o -type f \
    \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print |
    sed 's|^\./||' | sort >"$tmp/files"

set -f  # the file names are split, not expanded
# shellcheck disable=SC2046
awk -F'\t' -v stack="$tmp/stack" '
# The path with "." and ".." taken out; a path that climbs out of the tree keeps its "..".
function normal(path,    n, parts, out, i, k) {
    n = split(path, parts, "/")
    k = 0
    for (i = 1; i <= n; i++) {
        if (parts[i] == "" || parts[i] == ".") continue
        if (parts[i] == ".." && k > 0 && out[k] != "..") { k--; continue }
        out[++k] = parts[i]
    }
    path = ""
    for (i = 1; i <= k; i++) path = path (i > 1 ? "/" : "") out[i]
    return path
}
function top(path) { return substr(path, 1, index(path "/", "/") - 1) }
function dir(path) { return index(path, "/") ? substr(path, 1, match(path, /\/[^\/]*$/) - 1) : "" }
# A test pattern (a shell pattern, where * also matches /) as an anchored regular expression.
function pattern(glob) {
    gsub(/[.+()^$|{}\\[\]]/, "\\\\&", glob)
    gsub(/\*/, ".*", glob)
    gsub(/\?/, ".", glob)
    return "^" glob "$"
}
BEGIN {
    while ((getline line < stack) > 0) {
        split(line, f, "\t")
        folder[f[1]] = 1
        uses[f[1]] = " " f[2] " "
        tests[f[1]] = f[3]
        n = split(f[4], extra, " ")
        for (i = 1; i <= n; i++) {
            split(extra[i], fu, ":")
            gsub(/\+/, " ", fu[2])
            fileUses[fu[1]] = " " fu[2] " "
        }
    }
}
# The first file names every source file of the tree.
FNR == NR { exists[$0] = 1; next }
FNR == 1 { file = FILENAME }
/^\/\/ Internal header:/ && !(file in marker) { marker[file] = $0 }
/^[ \t]*#[ \t]*include[ \t]*["<][^">]*[">]/ {
    target = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*/, "", target)
    quoted = substr(target, 1, 1) == "\""
    name = substr(target, 2)
    sub(/[">].*/, "", name)
    # As the compiler looks: next to the file (quoted names only), then from the root.
    near = normal(dir(file) "/" name)
    if (quoted && near in exists) found = near
    else if (normal(name) in exists) found = normal(name)
    else if (quoted && name ~ /^\.\.?\//) found = near
    else found = normal(name)
    count++
    user[count] = file
    written[count] = name
    reached[count] = found
}
END {
    status = 0
    for (i = 1; i <= count; i++) {
        from = top(user[i]); to = top(reached[i])
        through = written[i] == reached[i] ? "" : " (through \"" written[i] "\")"
        # Down the stack only.
        if ((from in folder) && (to in folder) && to != from &&
            index(uses[from], " " to " ") == 0 && index(fileUses[user[i]], " " to " ") == 0) {
            printf "check_headers: %s includes a header of %s/%s, which %s/ may not use\n",
                user[i], to, through, from > "/dev/stderr"
            status = 1
        }
        # Internal headers stay with the folders they name and those folders tests.
        if (!(reached[i] in marker)) continue
        m = marker[reached[i]]
        allowed = " " top(reached[i]) " "
        while (match(m, /[a-z_]+\//)) {
            word = substr(m, RSTART, RLENGTH - 1)
            if (index(allowed, " " word " ") == 0) allowed = allowed word " "
            m = substr(m, RSTART + RLENGTH)
        }
        ok = 0
        n = split(allowed, names, " ")
        for (j = 1; j <= n && !ok; j++) {
            if (from == names[j]) ok = 1
            k = split(tests[names[j]], globs, " ")
            for (g = 1; g <= k && !ok; g++)
                if (user[i] ~ pattern(globs[g])) ok = 1
        }
        if (!ok) {
            list = ""
            for (j = 1; j <= n; j++) list = list (j > 1 ? ", " : "") names[j] "/"
            printf "check_headers: %s includes %s%s, which is internal to %s\n",
                user[i], reached[i], through, list > "/dev/stderr"
            status = 1
        }
    }
    exit status
}' "$tmp/files" $(cat "$tmp/files") || {
    echo "check_headers: cmake/libraries.cmake states what each folder may use; a header that says" \
        "'Internal header:' is for the folders it names and their tests, what others use belongs in a public header" >&2
    exit 1
}
