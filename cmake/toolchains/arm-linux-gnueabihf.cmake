# 32-bit ARM with hardware floating point (armhf, ARMv7: Raspberry Pi 2 and later), for the fuzz
# targets' build. The tool for 32-bit ARM is built with arm-linux-gnueabi.cmake, for every Pi.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(boardmap_triple arm-linux-gnueabihf)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
# How its test programs start: see debian-cross.cmake.
set(boardmap_qemu qemu-arm-static)
set(boardmap_loader ld-linux-armhf.so.3)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
