# 64-bit ARM: Raspberry Pi 3, 4 and 5 on a 64-bit Raspberry Pi OS or Debian (arm64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(boardmap_triple aarch64-linux-gnu)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
# How its test programs start: see debian-cross.cmake.
set(boardmap_qemu qemu-aarch64-static)
set(boardmap_loader ld-linux-aarch64.so.1)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
