#!/bin/sh
# tools/checks/check_no_libc_rand.sh sees a planted call to rand() and lets a clean library by.
#
# usage: check_no_libc_rand_test.sh CHECK NM CLEAN_LIB PLANTED_LIB
set -u
check=$1 nm=$2 clean=$3 planted=$4
name=check_no_libc_rand
run_check() { sh "$check" "$nm" "$@"; }
. "$(dirname "$0")/expect.sh"
trap 'rm -f "$out"' EXIT

expect 0 "" "$clean"
expect 1 "calls the C library's generator: rand" "$planted"
expect 1 "calls the C library's generator: rand" "$clean" "$planted"
expect 1 "cannot read the symbols" "$clean" "$clean.missing"

[ "$failures" -eq 0 ] && echo "check_no_libc_rand: all cases as expected"
exit "$failures"
