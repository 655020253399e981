# Cross build for 32-bit ARM, Debian's armhf (arm-linux-gnueabihf). The game builds without SDL here:
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake -DTAVRIN_DESKTOP=OFF
set(TAVRIN_CROSS_TRIPLET arm-linux-gnueabihf)
set(TAVRIN_CROSS_PROCESSOR arm)
set(TAVRIN_CROSS_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-debian-cross.cmake)
