# 32-bit ARM with hardware floating point: Raspberry Pi 2 and later on a 32-bit Raspberry Pi OS
# or Debian (armhf).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(boardmap_triple arm-linux-gnueabihf)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

# CTest runs the test programs in qemu-user, which takes the target's loader and libraries from
# the cross packages' tree; the static tool they start goes through binfmt_misc.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm-static -L /usr/${boardmap_triple})
