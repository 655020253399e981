#!/bin/sh
# tools/checks/check_headers.sh on a small tree of its own (three folders, low < mid < top):
# a folder's internal header may be included by the folder, by the folders its marker names
# and by their tests, and headers are included down the stack only, by every file of a folder
# whatever the build compiles; a file planted to break either, also through a relative path,
# fails the check, with its message.
#
# usage: check_headers_test.sh CHECK
set -u
check=$1
tree=$(mktemp -d)
name=check_headers
run_check() { sh "$check" "$tree" "$@"; }
. "$(dirname "$0")/expect.sh"
trap 'rm -rf "$tree" "$out"' EXIT

mkdir -p "$tree/low" "$tree/mid" "$tree/top" "$tree/tests/unit" "$tree/build/low"
printf '// The public one.\n#pragma once\nint lowPublic();\n' >"$tree/low/low.h"
printf '// Machinery.\n// Internal header: only low/ and its tests include it.\n#pragma once\nint lowInside();\n' \
    >"$tree/low/inside.h"
printf '// Shared with the folder above.\n// Internal header: only low/ and mid/ and their tests include it.\n#pragma once\n' \
    >"$tree/low/shared.h"
printf '#include "low/inside.h"\n#include "low/low.h"\n' >"$tree/low/low.cpp"
printf '#include "low/shared.h"\n' >"$tree/mid/mid.cpp"
printf '#include "low/inside.h"\n' >"$tree/tests/unit/low_inside_test.cpp"
printf '#include "low/shared.h"\n' >"$tree/tests/unit/mid_test.cpp"
printf '#include "low/low.h"\n' >"$tree/top/top.cpp"
# The build's own files are not the tree's.
printf '#include "low/inside.h"\n' >"$tree/build/low/generated.cpp"
set -- low==tests/unit/low_*= mid=low=tests/unit/mid_*= top=low,mid=tests/unit/top_*=

expect 0 "" "$@"
# Planted: a file of another folder includes the internal header.
printf '#include <low/inside.h>\n' >"$tree/top/planted.cpp"
expect 1 "top/planted.cpp includes low/inside.h, which is internal to low/" "$@"
rm "$tree/top/planted.cpp"
# The tests of another folder are not the folder's tests.
printf '  # include "low/inside.h"\n' >"$tree/tests/unit/top_test.cpp"
expect 1 "tests/unit/top_test.cpp includes low/inside.h" "$@"
rm "$tree/tests/unit/top_test.cpp"
# A header shared with the folder above is still closed to the one above that.
printf '#include "low/shared.h"\n' >"$tree/top/planted.cpp"
expect 1 "top/planted.cpp includes low/shared.h, which is internal to low/, mid/" "$@"
rm "$tree/top/planted.cpp"
# Planted: a header that points up the stack, and one of a folder not listed as used.
printf '#include "top/top.h"\n' >"$tree/low/planted.h"
expect 1 "low/planted.h includes a header of top/, which low/ may not use" "$@"
expect 1 "top/top.cpp includes a header of low/, which top/ may not use" low==tests/unit/low_*= \
    mid=low== top=mid==
rm "$tree/low/planted.h"
# Planted: the same two faults through relative paths, which the compiler resolves from the
# including file's folder.
printf '#include "../top/top.h"\n' >"$tree/low/planted.cpp"
expect 1 "low/planted.cpp includes a header of top/ (through \"../top/top.h\"), which low/ may not use" "$@"
rm "$tree/low/planted.cpp"
printf '#include "../low/inside.h"\n' >"$tree/top/planted.cpp"
expect 1 "top/planted.cpp includes low/inside.h (through \"../low/inside.h\"), which is internal to low/" "$@"
rm "$tree/top/planted.cpp"
printf '#include "../../low/./inside.h"\n' >"$tree/tests/unit/top_test.cpp"
expect 1 "tests/unit/top_test.cpp includes low/inside.h" "$@"
rm "$tree/tests/unit/top_test.cpp"
# A bare name reaches the header next to the file: its own folder's, which is no fault.
printf '#include "inside.h"\n' >"$tree/low/near.cpp"
expect 0 "" "$@"
# Planted: a file that this build does not compile (a back end of another build) is checked
# all the same.
printf '#include "top/top.h"\n' >"$tree/low/other_build.cpp"
expect 1 "low/other_build.cpp includes a header of top/" "$@"
rm "$tree/low/other_build.cpp"
# A file that its build lets use more than its folder (mid/web.cpp may use low/ too) uses it
# alone.
printf '#include "low/low.h"\n' >"$tree/mid/web.cpp"
set -- low==tests/unit/low_*= mid==tests/unit/mid_*=mid/web.cpp:low top=low,mid=tests/unit/top_*=
expect 1 "mid/mid.cpp includes a header of low/" "$@"
rm "$tree/mid/mid.cpp"
expect 0 "" "$@"

[ "$failures" -eq 0 ] && echo "check_headers: all cases as expected"
exit "$failures"
