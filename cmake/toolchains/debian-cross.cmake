# Shared part of the cross toolchain files: Debian's cross compiler for boardmap_triple (or
# clang++ given as CMAKE_CXX_COMPILER, aimed at the same target) and the target's libraries from
# the cross packages' tree /usr/<triple>. Each file says how CTest runs the target's programs.

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
