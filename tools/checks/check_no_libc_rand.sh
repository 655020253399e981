#!/bin/sh
# The game draws its random numbers from its own generator (state/random.cpp), the same on
# every C library; a call to the C library's generators would make a browser or a musl build
# play another game. Fails when any of the given libraries or objects calls one.
#
# usage: check_no_libc_rand.sh NM LIBRARY...
set -u
nm=$1
shift
status=0
for lib in "$@"; do
    # A library that cannot be read proves nothing.
    if ! "$nm" -u "$lib" >/dev/null 2>&1; then
        echo "check_no_libc_rand: cannot read the symbols of $lib" >&2
        status=1
        continue
    fi
    # Undefined references only: the names as the C library exports them.
    found=$("$nm" -u "$lib" |
        grep -E '^[[:space:]]*U (rand|srand|rand_r|random|srandom|initstate|setstate|random_r|srandom_r|initstate_r|setstate_r|[dejlmn]rand48|[dejlmn]rand48_r|srand48|seed48|lcong48)(@.*)?$' |
        awk '{print $2}' | sort -u | tr '\n' ' ')
    if [ -n "$found" ]; then
        echo "check_no_libc_rand: $(basename "$lib") calls the C library's generator: $found" >&2
        echo "check_no_libc_rand: draw from nextRandom() (state/state.h) instead" >&2
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "check_no_libc_rand: $# libraries draw from the game's own generator"
exit "$status"
