# Run by cpack on the finished packages: writes the fields of debian/control that cpack has no
# setting for (Multi-Arch) into the packages that have them, rebuilding those with dpkg-deb,
# which takes its time stamps from SOURCE_DATE_EPOCH as cpack does.
cmake_policy(VERSION 3.20)

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND dpkg-deb -f ${deb} Package OUTPUT_VARIABLE package
        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(TOUPPER "${package}" component)
    set(multi_arch "${CPACK_BOARDMAP_MULTI_ARCH_${component}}")
    if(NOT multi_arch)
        continue()
    endif()
    set(tree ${CPACK_TOPLEVEL_DIRECTORY}/fields/${package})
    file(REMOVE_RECURSE ${tree})
    file(MAKE_DIRECTORY ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    file(READ ${tree}/DEBIAN/control control)
    string(REGEX REPLACE "(^|\n)(Architecture: [^\n]*\n)" "\\1\\2Multi-Arch: ${multi_arch}\n"
        control "${control}")
    file(WRITE ${tree}/DEBIAN/control "${control}")
    execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build ${tree} ${deb}
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
