# Read by cpack (CPACK_PROJECT_CONFIG_FILE) before it stages the packages.
cmake_policy(VERSION 3.25)

# Reproducible packages: cpack gives every file and archive member in them the time
# SOURCE_DATE_EPOCH, here the last commit's unless the caller exported one; outside a git
# checkout, the date of the changelog's latest entry, as Debian's own package builds take it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    execute_process(COMMAND git -C "${CPACK_BOARDMAP_SOURCE_DIR}" log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
        file(STRINGS "${CPACK_BOARDMAP_SOURCE_DIR}/packaging/changelog" trailer REGEX "^ -- "
            LIMIT_COUNT 1)
        string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
        execute_process(COMMAND date -u -d "${date}" +%s OUTPUT_VARIABLE epoch
            OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    endif()
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()

# A 32-bit ARM build is armel code (see toolchains/arm-linux-gnueabi.cmake). Its static tool
# serves armhf hosts as well, but the support library keeps armel's calling convention
# (floating-point arguments in integer registers), which an armhf program cannot link with:
# packaged for another architecture than its code's, the build makes the tool's package only.
if(CPACK_BOARDMAP_CODE_ARCHITECTURE
   AND NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE STREQUAL CPACK_BOARDMAP_CODE_ARCHITECTURE)
    set(CPACK_COMPONENTS_ALL tool)
endif()
