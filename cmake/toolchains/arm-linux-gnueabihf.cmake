# 32-bit ARM with hardware floating point: Raspberry Pi 2 and later on a 32-bit Raspberry Pi OS
# or Debian (armhf).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(boardmap_triple arm-linux-gnueabihf)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
# How its test programs start: see debian-cross.cmake.
set(boardmap_qemu qemu-arm-static)
set(boardmap_loader ld-linux-armhf.so.3)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
