#!/bin/sh
# The three C libraries the game links (zlib, libpng, libjpeg-turbo), built for WebAssembly.
# Emscripten's own ports would be downloaded from elsewhere; these are Debian's source
# archives of the very versions the native build links, fetched with apt-get source, so that
# the browser decodes the pictures and writes the screenshots exactly as the native game.
#   sh tools/web/libs.sh OUT   ->  OUT/prefix/{include,lib}
# The archives are kept in OUT/archives and checked against their SHA-256 sums; a second run
# with the prefix built with these same choices (OUT/prefix/choices) does nothing.
set -eu
out=$(mkdir -p "$1" && cd "$1" && pwd)
prefix=$out/prefix
choices="-Oz; libjpeg: baseline Huffman only"
[ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/lib/libz.a" ] &&
    [ "$(cat "$prefix/choices" 2>/dev/null)" = "$choices" ] && exit 0

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
archives=$out/archives
mkdir -p "$archives" "$prefix/include" "$prefix/lib"

sums="254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c  libjpeg-turbo_2.1.5.orig.tar.gz
a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441  libpng1.6_1.6.39.orig.tar.gz
71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1  zlib_1.2.13.dfsg.orig.tar.bz2"

if ! (cd "$archives" && echo "$sums" | sha256sum -c --status 2>/dev/null); then
    # Debian 12's source index, read into a folder of our own: the machine's apt set-up is
    # left as it is (it may list no deb-src lines at all).
    apt=$out/apt
    mkdir -p "$apt/lists/partial"
    echo "deb-src http://deb.debian.org/debian bookworm main" >"$apt/sources.list"
    set -- -o Dir::Etc::sourcelist="$apt/sources.list" -o Dir::Etc::sourceparts=- \
        -o Dir::State::Lists="$apt/lists" -o APT::Sandbox::User=root
    echo "web libs: fetching Debian's sources of libjpeg-turbo, libpng1.6 and zlib"
    apt-get "$@" -qq update
    (cd "$archives" && apt-get "$@" -qq source --download-only --tar-only \
        libjpeg-turbo=1:2.1.5-2 libpng1.6 zlib >/dev/null)
    (cd "$archives" && echo "$sums" | sha256sum -c --quiet)
fi

src=$out/src
rm -rf "$src" && mkdir -p "$src"
tar xzf "$archives/libjpeg-turbo_2.1.5.orig.tar.gz" -C "$src"
tar xzf "$archives/libpng1.6_1.6.39.orig.tar.gz" -C "$src"
tar xjf "$archives/zlib_1.2.13.dfsg.orig.tar.bz2" -C "$src"
cflags="-Oz"

# zlib and libpng: plain C files, compiled as they are.
z=$src/zlib-1.2.13.dfsg
for f in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
    emcc $cflags -c "$z/$f.c" -o "$src/z_$f.o"
done
emar rcs "$prefix/lib/libz.a" "$src"/z_*.o
cp "$z/zlib.h" "$z/zconf.h" "$prefix/include/"

p=$src/libpng-1.6.39
cp "$p/scripts/pnglibconf.h.prebuilt" "$p/pnglibconf.h"
for f in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans pngwio pngwrite pngwtran pngwutil; do
    emcc $cflags -I"$z" -c "$p/$f.c" -o "$src/p_$f.o"
done
emar rcs "$prefix/lib/libpng16.a" "$src"/p_*.o
cp "$p/png.h" "$p/pngconf.h" "$p/pnglibconf.h" "$prefix/include/"

# libjpeg-turbo: its CMake build writes the configuration headers; no SIMD in WebAssembly
# (its plain C paths give the same pixels as its vector ones).
j=$src/libjpeg-turbo-2.1.5
# What the game's pictures never ask for stays out, as jmorecfg.h offers: the other DCT
# methods, output scaling, the fast sloppy upsampling and colour quantisation, progressive and
# arithmetic-coded files (every picture of the catalogue is baseline Huffman). The default
# decode (the accurate integer DCT, fancy upsampling, full size, full colour) is the same code.
for opt in DCT_IFAST_SUPPORTED DCT_FLOAT_SUPPORTED IDCT_SCALING_SUPPORTED UPSAMPLE_MERGING_SUPPORTED \
    QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED D_PROGRESSIVE_SUPPORTED BLOCK_SMOOTHING_SUPPORTED; do
    sed -i "s/^#define $opt\b/#undef  $opt/" "$j/jmorecfg.h"
done
emcmake cmake -S "$j" -B "$src/jbuild" -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_C_FLAGS="$cflags" \
    -DWITH_SIMD=OFF -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
# CMake's size probe misreads the WebAssembly object file; size_t is 4 bytes there.
sed -i 's/^#define SIZEOF_SIZE_T .*/#define SIZEOF_SIZE_T  4/' "$src/jbuild/jconfigint.h"
cmake --build "$src/jbuild" -j2 --target jpeg-static >/dev/null
cp "$src/jbuild/libjpeg.a" "$prefix/lib/"
cp "$j/jpeglib.h" "$j/jmorecfg.h" "$j/jerror.h" "$src/jbuild/jconfig.h" "$prefix/include/"
rm -rf "$src"
echo "$choices" >"$prefix/choices"
echo "web libs: built in $prefix"
