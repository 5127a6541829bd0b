# 32-bit ARM for every Raspberry Pi, the Pi Zero and Pi 1 (ARMv6) included: Debian's armel
# compiler makes ARMv5TE code, and so is its C library's start-up code (Debian's armhf one is
# ARMv7 code and dies on an ARMv6 with "Illegal instruction"). Linked static, the tool needs no C
# library of the host, so it is packaged as armhf (what a 32-bit Raspberry Pi OS installs) and as
# armel (Debian on a Pi Zero or Pi 1, older ARM boards): see deb-options.cmake.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(boardmap_triple arm-linux-gnueabi)
# Debian's name of the architecture, for the package that cpack builds here by default.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
# The architecture whose calling convention the code follows: the only one that gets the support
# library's package.
set(CPACK_BOARDMAP_CODE_ARCHITECTURE armel)
# How its test programs start: see debian-cross.cmake.
set(boardmap_qemu qemu-arm-static)
set(boardmap_loader ld-linux.so.3)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
