# Read by cpack (CPACK_PROJECT_CONFIG_FILE) before it stages the packages.
cmake_policy(VERSION 3.18)
# The scripts that finish the packages (CPACK_PRE_BUILD_SCRIPTS, CPACK_POST_BUILD_SCRIPTS, and
# what they call) are CMake 3.20's. An older release builds its packages with dpkg-buildpackage.
if(CMAKE_VERSION VERSION_LESS 3.20)
    message(FATAL_ERROR "cpack ${CMAKE_VERSION} is too old: the packages need CMake 3.20 or "
        "later. On this release: apt-get build-dep ./ && dpkg-buildpackage -us -uc -b")
endif()
find_program(dpkg_shlibdeps dpkg-shlibdeps)
if(NOT dpkg_shlibdeps)
    message(FATAL_ERROR "dpkg-shlibdeps is needed to state the packages' dependencies "
        "(apt-get install dpkg-dev)")
endif()

# Reproducible packages: cpack gives every file and archive member in them the time
# SOURCE_DATE_EPOCH, here the last commit's unless the caller exported one; outside a git
# checkout, the date of the changelog's latest entry, as Debian's own package builds take it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_BOARDMAP_SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
        file(STRINGS "${CPACK_BOARDMAP_SOURCE_DIR}/debian/changelog" trailer REGEX "^ -- "
            LIMIT_COUNT 1)
        string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
        execute_process(COMMAND date -u -d "${date}" +%s OUTPUT_VARIABLE epoch
            OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()

# Which packages a 32-bit ARM build makes. The build with the armel compiler (see
# toolchains/arm-linux-gnueabi.cmake) is armel code: its static tool serves armhf hosts as well,
# but its support library keeps armel's calling convention (floating-point arguments in integer
# registers), which an armhf program cannot link with; packaged for armhf, it makes the tool's
# package only. The build with the armhf compiler at ARMv6 (toolchains/arm-linux-gnueabihf.cmake)
# makes the armhf library's packages only: its static tool would hold Debian's armhf C library,
# which is ARMv7 code.
if(CPACK_BOARDMAP_CODE_ARCHITECTURE
   AND NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE STREQUAL CPACK_BOARDMAP_CODE_ARCHITECTURE)
    set(CPACK_COMPONENTS_ALL boardmap)
endif()
if(CPACK_BOARDMAP_LIBRARY_ONLY)
    list(REMOVE_ITEM CPACK_COMPONENTS_ALL boardmap)
endif()
