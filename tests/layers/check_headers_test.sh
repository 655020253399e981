#!/bin/sh
# tools/checks/check_headers.sh on a small tree of its own (three folders, low < mid < top):
# a folder's internal header may be included by the folder, by the folders its marker names
# and by their tests, and headers are included down the stack only; a file planted to break
# either fails the check, with its message.
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
set -- low==tests/unit/low_*=low/low.cpp,low/low.h,low/inside.h,low/shared.h,low/planted.h \
    mid=low=tests/unit/mid_*=mid/mid.cpp top=low,mid=tests/unit/top_*=top/top.cpp

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
expect 1 "top/top.cpp includes a header of low/, which top/ may not use" low==tests/unit/low_*=low/low.cpp \
    mid=low==mid/mid.cpp top=mid==top/top.cpp
rm "$tree/low/planted.h"
# A file that this build does not compile (a back end of another build) is that build's affair.
printf '#include "top/top.h"\n' >"$tree/low/other_build.cpp"
expect 0 "" "$@"

[ "$failures" -eq 0 ] && echo "check_headers: all cases as expected"
exit "$failures"
