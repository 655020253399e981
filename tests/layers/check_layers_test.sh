#!/bin/sh
# tools/checks/check_layers.sh on two small libraries, a lower (base) and an upper (top): a sound
# stack passes, and a planted call up, a library listing one above it, and a circle fail
# with their messages.
#
# usage: check_layers_test.sh CHECK NM BASE_LIB BASE_WITH_PLANTED_CALL_LIB TOP_LIB
set -u
check=$1 nm=$2 base=$3 planted=$4 top=$5
name=check_layers
run_check() { sh "$check" "$nm" "$@"; }
. "$(dirname "$0")/expect.sh"
trap 'rm -f "$out"' EXIT

expect 0 "" "base=$base=" "top=$top=base"
expect 1 "base/ uses layerTop() of top/, which it may not use" "base=$planted=" "top=$top=base"
expect 1 "the libraries use each other in a circle: base top" "base=$planted=" "top=$top=base"
expect 1 "base/ lists top/, which is not below it" "base=$base=top" "top=$top=base"
# Listing the planted call does not make it right: the stack is still broken.
expect 1 "in a circle" "base=$planted=top" "top=$top=base"
# A library listing itself, or one that is not in the stack at all, is no stack either.
expect 1 "top/ lists sound/, which is not below it" "base=$base=" "top=$top=base,sound"

[ "$failures" -eq 0 ] && echo "check_layers: all cases as expected"
exit "$failures"
