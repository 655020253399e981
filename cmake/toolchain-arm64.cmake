# Cross build for Debian's arm64 (aarch64-linux-gnu) with Debian's cross compiler
# (crossbuild-essential-arm64) and the arm64 development packages of libjpeg, libpng and
# GoogleTest (tools/deps.sh installs them). The game builds without SDL here:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake -DTAVRIN_DESKTOP=OFF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Headers and libraries of the target come from its multiarch folders; programs of the host.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs built here run on this machine under user-mode emulation (qemu-user), for the
# build steps that run a built program and for the tests. They load the arm64 libraries of
# the multiarch folders (libc6:arm64 comes with the development packages), not the cross
# compiler's copy in /usr/aarch64-linux-gnu: with that one (qemu's -L) a forked child crashes
# or spins at once under qemu 7.2.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
