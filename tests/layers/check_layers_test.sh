#!/bin/sh
# tools/checks/check_layers.sh on two small libraries, a lower (base/) and an upper (top/), each
# carrying a copy of the lower one's inline code: a sound stack passes, and a planted call up,
# the upper one's inline code planted in the lower one, a library listing one above it, and a
# circle fail with their messages.
#
# usage: check_layers_test.sh CHECK NM ROOT BASE_LIB BASE_WITH_PLANTED_CALL_LIB
#                             BASE_WITH_PLANTED_INLINE_LIB TOP_LIB
#   ROOT: the folder that holds base/ and top/
set -u
check=$1 nm=$2 root=$3 base=$4 planted=$5 inline=$6 top=$7
name=check_layers
run_check() { sh "$check" "$nm" "$root" "$@"; }
. "$(dirname "$0")/expect.sh"
trap 'rm -f "$out"' EXIT

expect 0 "" "base=$base=" "top=$top=base"
expect 1 "base/ uses layerTop() of top/, which it may not use" "base=$planted=" "top=$top=base"
expect 1 "the libraries use each other in a circle: base top" "base=$planted=" "top=$top=base"
# Planted: the upper library's inline function, its template's instance and an inline
# function's static local, which the lower one carries as weak copies.
expect 1 "base/ uses layerTopInline(int) of top/, inline code from top/top.h, which it may not use" \
    "base=$inline=" "top=$top=base"
expect 1 "base/ uses long layerTopTwice<long>(long) of top/" "base=$inline=" "top=$top=base"
expect 1 "base/ uses layerTopCount()::count of top/" "base=$inline=" "top=$top=base"
expect 1 "the libraries use each other in a circle: base top" "base=$inline=top" "top=$top=base"
# The copy of the lower one's inline code in the upper one is a use all the same, which the
# upper one must list.
expect 1 "top/ uses layerBaseInline(int) of base/, inline code from base/base.h" "base=$base=" "top=$top="
expect 1 "base/ lists top/, which is not below it" "base=$base=top" "top=$top=base"
# Listing the planted call does not make it right: the stack is still broken.
expect 1 "in a circle" "base=$planted=top" "top=$top=base"
# A library listing itself, or one that is not in the stack at all, is no stack either.
expect 1 "top/ lists sound/, which is not below it" "base=$base=" "top=$top=base,sound"

[ "$failures" -eq 0 ] && echo "check_layers: all cases as expected"
exit "$failures"
