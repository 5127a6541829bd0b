# Run by cpack on the packages' staging trees, after the install rules and before the packages
# are made: finishes them the way Debian ships such files.
cmake_policy(VERSION 3.25)

# Manual pages and changelogs are shipped compressed; -n keeps the packages reproducible.
file(GLOB_RECURSE compressed "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.[13]"
    "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/changelog.Debian")
list(FILTER compressed INCLUDE REGEX "/man/man[13]/[^/]*[.][13]$|/changelog[.]Debian$")
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

# The shared library's package depends on the C library that has every symbol version it needs:
# the newest GLIBC_ version, read from the library itself, as for a cross build, whose target's C
# library dpkg-shlibdeps would look for on this machine.
file(GLOB_RECURSE libraries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/libboardmap-support.so.*.*.*")
foreach(library IN LISTS libraries)
    execute_process(COMMAND readelf --version-info --wide "${library}" OUTPUT_VARIABLE versions
        RESULT_VARIABLE status)
    string(REGEX MATCHALL "Name: GLIBC_[0-9.]+" needed "${versions}")
    if(NOT status EQUAL 0 OR NOT needed)
        message(FATAL_ERROR "readelf finds no C library version that ${library} needs")
    endif()
    set(newest 0)
    foreach(version IN LISTS needed)
        string(REPLACE "Name: GLIBC_" "" version "${version}")
        if(version VERSION_GREATER newest)
            set(newest ${version})
        endif()
    endforeach()
    set(CPACK_DEBIAN_${CPACK_BOARDMAP_RUNTIME_COMPONENT}_PACKAGE_DEPENDS "libc6 (>= ${newest})")
endforeach()
