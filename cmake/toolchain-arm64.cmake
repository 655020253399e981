# Cross build for 64-bit ARM, Debian's arm64 (aarch64-linux-gnu). The game builds without SDL here:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake -DTAVRIN_DESKTOP=OFF
set(TAVRIN_CROSS_TRIPLET aarch64-linux-gnu)
set(TAVRIN_CROSS_PROCESSOR aarch64)
set(TAVRIN_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-debian-cross.cmake)
