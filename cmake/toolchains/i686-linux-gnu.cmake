# 32-bit PC (i386): the old PCs that still run a mailbox.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(boardmap_triple i686-linux-gnu)
# Debian's name of the architecture, for the package that cpack builds here.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

# An x86-64 kernel runs i386 programs itself: CTest starts the test programs with the loader
# and libraries of the cross packages' tree, and the static tool they start runs as it is.
# (qemu-i386 is not needed, and with that loader its forked children hang.)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/${boardmap_triple}/lib/ld-linux.so.2
    --library-path /usr/${boardmap_triple}/lib)
