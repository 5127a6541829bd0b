# Debian package of the tool and its manual page.
#
#   cmake --preset default && cmake --build --preset default -j2
#   cd build && cpack -G DEB          # or: cpack --config build/CPackConfig.cmake -G DEB
#
# The package installs /usr/bin/boardmap and /usr/share/man/man1/boardmap.1.gz. It takes the
# install rules of the root CMakeLists.txt (binary and manual page); the manual page is
# compressed in the package's staging tree only, so `cmake --install` still installs it plain.

set(BOARDMAP_MAINTAINER "boardmap maintainers <boardmap@localhost>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME "boardmap")
set(CPACK_PACKAGE_VENDOR "boardmap maintainers")
set(CPACK_PACKAGE_CONTACT "${BOARDMAP_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "board map table tool for packet-radio mailboxes")
set(CPACK_PACKAGE_DESCRIPTION
    "boardmap runs beside a packet-radio mailbox as an external command. It
keeps the board map table boardmap.kvd, which maps old board names to new
ones: every user may search it, and a sysop may add and delete entries.
The previous table is kept as boardmap.bak; every change replaces the
table atomically, under a lock on the mailbox directory.")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/;/build.*/")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BOARDMAP_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "hamradio")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

# The binary links libstdc++ and libgcc statically, so the C library is all it needs at run
# time. dpkg-shlibdeps (dpkg-dev) and file(1) work that out from the binary where they are
# installed; without them the dependency is stated by hand.
find_program(BOARDMAP_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(BOARDMAP_FILE_PROGRAM file)
if(BOARDMAP_DPKG_SHLIBDEPS AND BOARDMAP_FILE_PROGRAM)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34)")
endif()

# Debian ships manual pages compressed: gzip the page inside the staging tree before packing.
set(BOARDMAP_COMPRESS_MAN_SCRIPT "${CMAKE_CURRENT_BINARY_DIR}/compress-man.cmake")
file(WRITE "${BOARDMAP_COMPRESS_MAN_SCRIPT}" [=[
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/boardmap.1")
foreach(page IN LISTS pages)
    execute_process(COMMAND gzip -9 -n -f "${page}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip ${page} failed")
    endif()
endforeach()
]=])
set(CPACK_PRE_BUILD_SCRIPTS "${BOARDMAP_COMPRESS_MAN_SCRIPT}")

include(CPack)
