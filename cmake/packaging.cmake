# Debian packages: boardmap (the tool and its manual page) and libboardmap-support-dev (the
# support module's C header and C++ headers, static library, CMake package and pkg-config file).
#
#   cmake --preset default && cmake --build --preset default -j2
#   cd build && cpack -G DEB          # or: cpack --config build/CPackConfig.cmake -G DEB
#   cd build-armhf && cpack -G DEB -D CPACK_DEBIAN_PACKAGE_ARCHITECTURE=armel
#                                     # the 32-bit ARM build packaged for armel as well
#
# Each package takes the install rules of its component (tool, dev) and adds its copyright
# file and changelog under /usr/share/doc/<package>/. The manual page and the changelog are
# compressed in the packages' staging trees only, so `cmake --install` installs the page plain
# and no packaging file at all.

set(BOARDMAP_MAINTAINER "the boardmap authors <boardmap@example.org>"
    CACHE STRING "Maintainer named in the Debian packages")

set(CPACK_PACKAGE_NAME "boardmap")
set(CPACK_PACKAGE_VENDOR "the boardmap authors")
set(CPACK_PACKAGE_CONTACT "${BOARDMAP_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/;/build.*/")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tool dev)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BOARDMAP_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE "boardmap")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME "boardmap")
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION "hamradio")
set(CPACK_DEBIAN_TOOL_DESCRIPTION "board map table tool for packet-radio mailboxes
boardmap runs beside a packet-radio mailbox as an external command. It
keeps the board map table boardmap.kvd, which maps old board names to new
ones: every user may search it, and a sysop may add and delete entries.
The previous table is kept as boardmap.bak; every change replaces the
table atomically, under a lock on the mailbox directory.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME "libboardmap-support-dev")
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION "libdevel")
set(CPACK_DEBIAN_DEV_DESCRIPTION "support library for packet-radio mailbox programs
The support module of boardmap, for the other external programs of a
packet-radio mailbox: the run-data reader (rundat.kvd), text routines,
and lookups of init.kvd keywords, board directories, message lists and
first lines of messages. A C interface (boardmap/support.h) with a C++20
layer over it (boardmap/support/*.hpp), and a static library that needs
no C++ runtime, found with find_package(boardmap) as boardmap::support
or with pkg-config as boardmap-support.")

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
set(tool_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_TOOL_PACKAGE_NAME})
set(dev_doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_DEV_PACKAGE_NAME})
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${tool_doc_dir}
    COMPONENT tool EXCLUDE_FROM_ALL)
install(FILES packaging/changelog RENAME changelog.Debian DESTINATION ${tool_doc_dir}
    COMPONENT tool EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${dev_doc_dir}
    COMPONENT dev EXCLUDE_FROM_ALL)
install(FILES packaging/changelog RENAME changelog.Debian DESTINATION ${dev_doc_dir}
    COMPONENT dev EXCLUDE_FROM_ALL)
set(overrides_dir ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)
install(FILES packaging/boardmap.lintian-overrides RENAME boardmap DESTINATION ${overrides_dir}
    COMPONENT tool EXCLUDE_FROM_ALL)
install(FILES packaging/libboardmap-support-dev.lintian-overrides RENAME libboardmap-support-dev
    DESTINATION ${overrides_dir} COMPONENT dev EXCLUDE_FROM_ALL)
# Added by cmake/deb-staging.cmake only to a static binary's package, the one they are meant for.
set(CPACK_BOARDMAP_STATIC_OVERRIDES ${PROJECT_SOURCE_DIR}/packaging/boardmap-static.lintian-overrides)
set(CPACK_BOARDMAP_STATIC_PIE_OVERRIDES
    ${PROJECT_SOURCE_DIR}/packaging/boardmap-static-pie.lintian-overrides)

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-staging.cmake)
# The packages' time stamps, and which packages a build makes for which architecture.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/deb-options.cmake)
set(CPACK_BOARDMAP_SOURCE_DIR ${PROJECT_SOURCE_DIR})

include(CPack)
