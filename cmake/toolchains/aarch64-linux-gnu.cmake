# 64-bit ARM: Raspberry Pi 3, 4 and 5 on a 64-bit Raspberry Pi OS or Debian (arm64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(boardmap_triple aarch64-linux-gnu)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

# CTest runs the test programs in qemu-user, which takes the target's loader and libraries from
# the cross packages' tree; the static tool they start goes through binfmt_misc.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -L /usr/${boardmap_triple})
