# Run by cpack on the packages' staging trees, after the install rules and before the packages
# are made: finishes them the way Debian ships such files.
cmake_policy(VERSION 3.25)

# Manual pages and changelogs are shipped compressed; -n keeps the packages reproducible.
file(GLOB_RECURSE compressed "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/boardmap.1"
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/changelog.Debian")
foreach(file IN LISTS compressed)
    execute_process(COMMAND gzip -9 -n -f "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "gzip ${file} failed")
    endif()
endforeach()

# The binary decides what the package needs: a dynamic one its C library version, found by
# dpkg-shlibdeps (without it cpack would leave Depends out), a static one nothing and a
# lintian override for the static link it is built with on purpose (a static PIE its own).
file(GLOB_RECURSE binaries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/boardmap")
list(FILTER binaries INCLUDE REGEX "/bin/boardmap$")
foreach(binary IN LISTS binaries)
    execute_process(COMMAND file -b "${binary}" OUTPUT_VARIABLE type RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "file(1) is needed to package boardmap (apt-get install file)")
    endif()
    if(type MATCHES "dynamically linked")
        find_program(dpkg_shlibdeps dpkg-shlibdeps)
        if(NOT dpkg_shlibdeps)
            message(FATAL_ERROR "dpkg-shlibdeps is needed to state the package's dependencies "
                "(apt-get install dpkg-dev)")
        endif()
    elseif(type MATCHES "statically linked|static-pie linked")
        cmake_path(GET binary PARENT_PATH bin_dir)
        cmake_path(GET bin_dir PARENT_PATH prefix_dir)
        if(type MATCHES "static-pie")
            file(READ "${CPACK_BOARDMAP_STATIC_PIE_OVERRIDES}" overrides)
        else()
            file(READ "${CPACK_BOARDMAP_STATIC_OVERRIDES}" overrides)
        endif()
        file(APPEND "${prefix_dir}/share/lintian/overrides/boardmap" "${overrides}")
    endif()
endforeach()
