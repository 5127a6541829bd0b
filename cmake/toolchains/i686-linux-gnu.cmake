# 32-bit PC (i386): the old PCs that still run a mailbox.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(boardmap_triple i686-linux-gnu)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
# How its test programs start: see debian-cross.cmake.
set(boardmap_loader ld-linux.so.2)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
