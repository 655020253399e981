# What the cross builds for Debian's ARM architectures share; toolchain-armhf.cmake and
# toolchain-arm64.cmake set TAVRIN_CROSS_TRIPLET, TAVRIN_CROSS_PROCESSOR and TAVRIN_CROSS_QEMU
# and include it. The compilers are Debian's (crossbuild-essential-<arch>), the libraries the
# <arch> development packages (libjpeg, libpng, GoogleTest; tools/deps.sh installs them).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${TAVRIN_CROSS_PROCESSOR})
set(CMAKE_C_COMPILER ${TAVRIN_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TAVRIN_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TAVRIN_CROSS_TRIPLET})

# Headers and libraries of the target come from its multiarch folders; programs of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs built here run on this machine under user-mode emulation (qemu-user), for the
# build steps that run a built program and for the tests. They load the target's libraries
# from the multiarch folders (libc6 and libstdc++6 of the target, from tools/deps.sh), not the
# cross compiler's copy in /usr/<triplet>: with that one (qemu's -L) a forked child crashes
# or spins at once under qemu 7.2.
set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRIN_CROSS_QEMU})
