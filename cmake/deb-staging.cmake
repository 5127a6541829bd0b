# Run by cpack on the packages' staging trees, after the install rules and before the packages
# are made: adds to each package what debhelper adds to it in a dpkg-buildpackage build, from the
# same files in debian/, and compresses what Debian ships compressed (-n keeps the packages
# reproducible; the .md guides keep their names, as debian/rules keeps them).
cmake_policy(VERSION 3.20)

set(debian ${CPACK_BOARDMAP_SOURCE_DIR}/debian)
foreach(package IN LISTS CPACK_COMPONENTS_ALL)
    # A package this build does not make (see deb-options.cmake) has no staging tree.
    if(NOT IS_DIRECTORY ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${package})
        continue()
    endif()
    set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${package}/usr/share)
    file(COPY ${debian}/copyright DESTINATION ${root}/doc/${package})
    configure_file(${debian}/changelog ${root}/doc/${package}/changelog.Debian COPYONLY)
    if(EXISTS ${debian}/${package}.lintian-overrides)
        configure_file(${debian}/${package}.lintian-overrides ${root}/lintian/overrides/${package}
            COPYONLY)
    endif()
    file(GLOB_RECURSE compressed ${root}/man/* ${root}/doc/${package}/changelog.Debian)
    foreach(file IN LISTS compressed)
        execute_process(COMMAND gzip -9 -n -f "${file}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
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
