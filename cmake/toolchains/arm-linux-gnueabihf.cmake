# 32-bit ARM with hardware floating point (armhf), as Raspberry Pi OS has it: ARMv6 code with VFP
# and floating-point arguments in VFP registers, which every Raspberry Pi runs (the Pi Zero and
# Pi 1 are ARMv6) and which Debian's armhf (ARMv7) programs link with too. It builds the support
# library's armhf packages (preset armhf-library) and the fuzz targets for 32-bit ARM. The tool for
# 32-bit ARM is built with arm-linux-gnueabi.cmake: linked static, it would take Debian's armhf C
# library, which is ARMv7 code.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(boardmap_triple arm-linux-gnueabihf)
set(CMAKE_C_FLAGS_INIT "-march=armv6+fp -marm")
set(CMAKE_CXX_FLAGS_INIT "-march=armv6+fp -marm")
# Debian's name of the architecture, for the packages that cpack builds here: the library's
# alone.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
set(CPACK_BOARDMAP_LIBRARY_ONLY ON)
# How its test programs start: see debian-cross.cmake.
set(boardmap_qemu qemu-arm-static)
set(boardmap_loader ld-linux-armhf.so.3)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
