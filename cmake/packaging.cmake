# Debian packages, one for each install component of the same name: boardmap (the tool and its
# manual page), libboardmap-support1 (the support module's shared library; its name follows the
# SONAME) and libboardmap-support-dev (its C header and C++ headers, the .so link, the static
# archive, the CMake package, the pkg-config file and the manual page).
#
#   cmake --preset default && cmake --build --preset default -j2
#   cd build && cpack -G DEB          # or: cpack --config build/CPackConfig.cmake -G DEB
#   cd build-armhf && cpack -G DEB -D CPACK_DEBIAN_PACKAGE_ARCHITECTURE=armel
#                                     # the 32-bit ARM build packaged for armel as well
#
# Each package takes the install rules of its component and adds its copyright file and
# changelog under /usr/share/doc/<package>/. Manual pages and the changelog are compressed in
# the packages' staging trees only, so `cmake --install` installs the pages plain and no
# packaging file at all.

set(BOARDMAP_MAINTAINER "the boardmap authors <boardmap@example.org>"
    CACHE STRING "Maintainer named in the Debian packages")

set(CPACK_PACKAGE_NAME "boardmap")
set(CPACK_PACKAGE_VENDOR "the boardmap authors")
set(CPACK_PACKAGE_CONTACT "${BOARDMAP_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/;/build.*/")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL boardmap ${support_runtime_package} ${support_dev_package})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BOARDMAP_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE "boardmap")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
# Control files (shlibs, triggers) are not scripts: mode 0644.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_BOARDMAP_PACKAGE_NAME "boardmap")
set(CPACK_DEBIAN_BOARDMAP_PACKAGE_SECTION "hamradio")
set(CPACK_DEBIAN_BOARDMAP_DESCRIPTION "board map table tool for packet-radio mailboxes
boardmap runs beside a packet-radio mailbox as an external command. It
keeps the board map table boardmap.kvd, which maps old board names to new
ones: every user may search it, and a sysop may add and delete entries.
The previous table is kept as boardmap.bak; every change replaces the
table atomically, under a lock on the mailbox directory.")

set(library_description "The support module of boardmap, for the other external programs of a
packet-radio mailbox: the run-data reader (rundat.kvd), text routines,
and lookups of init.kvd keywords, board directories, message lists and
first lines of messages, with a failure handler of the program's own.")
string(TOUPPER ${support_runtime_package} runtime)
string(TOUPPER ${support_dev_package} dev)
# Multi-Arch: same lets the library of several architectures be installed side by side (an armhf
# program on an arm64 Raspberry Pi OS); cpack has no variable of its own for the field, which is
# written after the section's.
set(CPACK_DEBIAN_${runtime}_PACKAGE_NAME "${support_runtime_package}")
set(CPACK_DEBIAN_${runtime}_PACKAGE_SECTION "libs\nMulti-Arch: same")
set(CPACK_DEBIAN_${runtime}_DESCRIPTION "support library for packet-radio mailbox programs
${library_description}
.
This package holds the shared library, which needs no C++ runtime.")
set(CPACK_DEBIAN_${dev}_PACKAGE_NAME "${support_dev_package}")
set(CPACK_DEBIAN_${dev}_PACKAGE_SECTION "libdevel\nMulti-Arch: same")
set(CPACK_DEBIAN_${dev}_PACKAGE_DEPENDS
    "${support_runtime_package} (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")
set(CPACK_DEBIAN_${dev}_DESCRIPTION "support library for packet-radio mailbox programs (development)
${library_description}
.
This package holds what programs are built with: a C interface
(boardmap/support.h) with a C++20 layer over it (boardmap/support/*.hpp),
the manual page libboardmap-support(3), the shared library's link, a
static library, the CMake package boardmap (boardmap::support) and the
pkg-config file boardmap-support.")
# What the shared library needs, and what a program built with it then depends on (shlibs),
# and the loader's cache renewed when it is installed or removed (the ldconfig trigger); the
# depends are stated by cmake/deb-staging.cmake from the library itself.
set(CPACK_DEBIAN_${runtime}_PACKAGE_SHLIBDEPS OFF)
file(WRITE ${PROJECT_BINARY_DIR}/package-control/shlibs
    "libboardmap-support ${support_soversion} ${support_runtime_package} (>= ${PROJECT_VERSION})\n")
file(WRITE ${PROJECT_BINARY_DIR}/package-control/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_${runtime}_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/package-control/shlibs ${PROJECT_BINARY_DIR}/package-control/triggers)
set(CPACK_BOARDMAP_RUNTIME_COMPONENT ${runtime})

# Depends comes from dpkg-shlibdeps on the binary being packaged, at package time: a binary
# built dynamically gets the C library version it really needs, a static one no dependency.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The changelog must describe the packages it goes into.
set(BOARDMAP_DEB_VERSION "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^boardmap \\(${BOARDMAP_DEB_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog does not start with an entry for "
        "${BOARDMAP_DEB_VERSION}: ${changelog_head}")
endif()

# The copyright file in Debian's machine-readable form, carrying LICENSE: its holder, then its
# terms as a paragraph of lines indented by one blank, with " ." for each empty line.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" holder "${license}")
set(holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright[^\n]*\n" "" terms "${license}")
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: boardmap

Files: *
Copyright: ${holder}
License: Expat
 ${terms}
")

# Package-only files: EXCLUDE_FROM_ALL keeps them out of a plain `cmake --install`.
foreach(package IN LISTS CPACK_COMPONENTS_ALL)
    set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package})
    install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${doc_dir}
        COMPONENT ${package} EXCLUDE_FROM_ALL)
    install(FILES packaging/changelog RENAME changelog.Debian DESTINATION ${doc_dir}
        COMPONENT ${package} EXCLUDE_FROM_ALL)
endforeach()
set(overrides_dir ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)
foreach(package IN LISTS CPACK_COMPONENTS_ALL)
    install(FILES packaging/${package}.lintian-overrides RENAME ${package}
        DESTINATION ${overrides_dir} COMPONENT ${package} EXCLUDE_FROM_ALL)
endforeach()
# Added by cmake/deb-staging.cmake only to a static binary's package, the one they are meant for.
set(CPACK_BOARDMAP_STATIC_OVERRIDES ${PROJECT_SOURCE_DIR}/packaging/boardmap-static.lintian-overrides)
set(CPACK_BOARDMAP_STATIC_PIE_OVERRIDES
    ${PROJECT_SOURCE_DIR}/packaging/boardmap-static-pie.lintian-overrides)

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-staging.cmake)
# The packages' time stamps, and which packages a build makes for which architecture.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/deb-options.cmake)
set(CPACK_BOARDMAP_SOURCE_DIR ${PROJECT_SOURCE_DIR})

include(CPack)
