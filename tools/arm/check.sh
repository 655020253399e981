#!/bin/sh
# The game on 32-bit and 64-bit ARM, under user-mode emulation: cross-builds each target
# (cmake/toolchain-<arch>.cmake, no SDL: offscreen back end and null sound), then runs its
# unit tests, the replay of every level solution, and the whole-game script through the
# offscreen program. The replays' report and the whole game's standard output, progress file
# and screenshots must be the same bytes as the native build's (build/, made first).
#
#   tools/arm/check.sh [armhf] [arm64]      (default: both)
set -eu
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
JOBS=${JOBS:-2}
NATIVE=$ROOT/build
ARCHES=${*:-armhf arm64}

order=assets/levels/order.txt
[ -f $order ] || order=tools/levels/placeholder/order.txt
script=tools/scripts/fullgame.script

for f in "$NATIVE/tavrin" "$NATIVE/replay" "$NATIVE/levelc"; do
    [ -x "$f" ] || { echo "arm: $f is missing: build the native tree first (make build)"; exit 1; }
done

now() { date +%s; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-arm.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# One whole-game run in a folder of its own: its screenshots land there, its progress file in
# its own HOME, its standard output beside them.
fullgame() {  # <dir> <command...>
    dir=$1; shift
    mkdir -p "$dir/shots" "$dir/home"
    (cd "$dir/shots" && HOME="$dir/home" "$@" -platform offscreen -script "$ROOT/$script" \
        >"$dir/stdout" 2>"$dir/stderr") || { echo "arm: the whole game failed ($*):"; tail -n 20 "$dir/stderr"; return 1; }
}

echo "arm: native reference: replays of $order and the whole game of $script"
t=$(now)
"$NATIVE/replay" --all "$order" >"$scratch/replay-native.txt"
fullgame "$scratch/native" "$NATIVE/tavrin"
echo "arm: native reference took $(($(now) - t)) s"

for arch in $ARCHES; do
    case $arch in
        armhf) triple=arm-linux-gnueabihf; qemu=qemu-arm ;;
        arm64) triple=aarch64-linux-gnu; qemu=qemu-aarch64 ;;
        *) echo "arm: unknown target $arch (armhf or arm64)"; exit 2 ;;
    esac
    # The multiarch libraries of the target (/lib/$triple), not the cross compiler's copy
    # that qemu's -L would give: under that one a forked child crashes (qemu 7.2).
    run=$qemu
    [ -e "/lib/$triple" ] || { echo "arm: no $arch libraries in /lib/$triple (sh tools/deps.sh)"; exit 1; }
    out=build-$arch
    t=$(now)
    cmake -S . -B "$out" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-$arch.cmake" -DTAVRIN_DESKTOP=OFF -DTAVRIN_WERROR=ON \
        -DTAVRIN_HOST_LEVELC="$NATIVE/levelc" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$out" -j"$JOBS" --target unit_tests tavrin replay >"$scratch/build-$arch.log" 2>&1 ||
        { tail -n 40 "$scratch/build-$arch.log"; echo "arm: $arch: the cross build failed"; exit 1; }
    echo "arm: $arch: cross build took $(($(now) - t)) s"

    t=$(now)
    # A "threadsafe" death test starts the test program again with execv(), which runs only
    # where the kernel itself hands ARM programs to qemu (binfmt); without that it is left out.
    filter='*'
    if ! [ -e /proc/sys/fs/binfmt_misc/$qemu ]; then
        filter='-LayerOffscreenDeathTest.*'
        echo "arm: $arch: no binfmt entry for $qemu: the unit tests without $filter (they re-execute the test program)"
    fi
    (cd "$out" && $run ./unit_tests --gtest_brief=1 --gtest_filter="$filter") >"$scratch/unit-$arch.log" 2>&1 ||
        { tail -n 60 "$scratch/unit-$arch.log"; echo "arm: $arch: unit tests FAILED"; exit 1; }
    echo "arm: $arch: $(grep -E '^\[  PASSED  \]' "$scratch/unit-$arch.log") ($(($(now) - t)) s, $qemu)"

    t=$(now)
    $run "$out/replay" --all "$order" >"$scratch/replay-$arch.txt"
    cmp "$scratch/replay-native.txt" "$scratch/replay-$arch.txt" ||
        { diff "$scratch/replay-native.txt" "$scratch/replay-$arch.txt" | head -n 20; echo "arm: $arch: the replays differ"; exit 1; }
    echo "arm: $arch: replays of every solution in $order: the same $(wc -l <"$scratch/replay-$arch.txt") report lines as native ($(($(now) - t)) s)"

    t=$(now)
    fullgame "$scratch/$arch" $run "$ROOT/$out/tavrin"
    failed=0
    cmp "$scratch/native/stdout" "$scratch/$arch/stdout" || failed=1
    cmp "$scratch/native/home/Applications/tavrin.conf" "$scratch/$arch/home/Applications/tavrin.conf" || failed=1
    diff -r "$scratch/native/shots" "$scratch/$arch/shots" || failed=1
    shots=$(find "$scratch/native/shots" -type f | wc -l)
    if [ $failed = 1 ] || [ "$shots" = 0 ]; then
        echo "arm: $arch: the whole game differs from native (or made no screenshot)"; exit 1
    fi
    echo "arm: $arch: whole game ($script): standard output ($(wc -l <"$scratch/$arch/stdout") lines)," \
         "progress file ($(wc -c <"$scratch/$arch/home/Applications/tavrin.conf") bytes) and $shots screenshots" \
         "byte for byte as native ($(($(now) - t)) s)"
done
echo "arm: every ARM target built, tested and matched the native run"
