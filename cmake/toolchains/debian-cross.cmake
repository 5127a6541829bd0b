# Shared part of the cross toolchain files: Debian's cross compiler for boardmap_triple (or
# clang++ given as CMAKE_CXX_COMPILER, aimed at the same target), the target's libraries from
# the cross packages' tree /usr/<triple>, and how CTest runs the target's test programs.

if(NOT CMAKE_CXX_COMPILER)
    set(CMAKE_CXX_COMPILER ${boardmap_triple}-g++)
endif()
# GoogleTest's build enables C as well.
if(NOT CMAKE_C_COMPILER)
    set(CMAKE_C_COMPILER ${boardmap_triple}-gcc)
endif()
# Read by clang only; Debian's cross compilers are built for the one target.
set(CMAKE_CXX_COMPILER_TARGET ${boardmap_triple})
set(CMAKE_C_COMPILER_TARGET ${boardmap_triple})

set(CMAKE_FIND_ROOT_PATH /usr/${boardmap_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The test programs start with the loader and libraries of that tree, named outright: a loader
# that looked in the machine's own directories could pair with another build of the C library
# there (a foreign architecture's), and its forked children hang. On an ARM target they run
# under qemu-user (boardmap_qemu); the static tool they start goes through binfmt_misc. An
# x86-64 kernel runs i386 programs itself.
set(CMAKE_CROSSCOMPILING_EMULATOR ${boardmap_qemu} /usr/${boardmap_triple}/lib/${boardmap_loader}
    --library-path /usr/${boardmap_triple}/lib)
