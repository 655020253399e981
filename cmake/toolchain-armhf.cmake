# Cross build for Debian's armhf (arm-linux-gnueabihf) with Debian's cross compiler
# (crossbuild-essential-armhf) and the armhf development packages of libjpeg, libpng and
# GoogleTest (tools/deps.sh installs them). The game builds without SDL here:
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake -DTAVRIN_DESKTOP=OFF
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_LIBRARY_ARCHITECTURE arm-linux-gnueabihf)

# Headers and libraries of the target come from its multiarch folders; programs of the host.
set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs built here run on this machine under user-mode emulation (qemu-user), for the
# build steps that run a built program and for the tests. They load the armhf libraries of
# the multiarch folders (libc6:armhf comes with the development packages), not the cross
# compiler's copy in /usr/arm-linux-gnueabihf: with that one (qemu's -L) a forked child crashes
# or spins at once under qemu 7.2.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)
