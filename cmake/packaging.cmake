# Debian packages made by cpack, for a build directory of any target (the cross ones above all):
#
#   cd build-arm64 && cpack -G DEB
#   cd build-armhf && cpack -G DEB -D CPACK_DEBIAN_PACKAGE_ARCHITECTURE=armel
#                                     # the 32-bit ARM build packaged for armel as well
#
# A Debian host builds the same packages from the source package in debian/ with
# dpkg-buildpackage. Both take everything from one place: each binary package of debian/control
# holds the install component of its name (CMakeLists.txt and support-library.cmake), with the
# fields debian/control gives it, the version of debian/changelog, and debian/copyright, the
# changelog and debian/<package>.lintian-overrides, which deb-staging.cmake adds as debhelper
# does. A new package is a stanza in debian/control and install rules with its COMPONENT.

set(CPACK_PACKAGE_NAME "boardmap")
set(CPACK_PACKAGE_VENDOR "the boardmap authors")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/;/build.*/")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE "boardmap")

# The version: the latest entry of debian/changelog, whose upstream part is the project's.
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^boardmap \\(${PROJECT_VERSION}-([0-9]+)\\) ")
    message(FATAL_ERROR "debian/changelog does not start with an entry for ${PROJECT_VERSION}: "
        "${changelog_head}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_1})
set(deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})

# debian_field(VAR STANZA NAME): the field's value in the stanza of debian/control, continuation
# lines included; empty where the stanza has no such field.
function(debian_field var stanza name)
    set(value "")
    if("\n${stanza}" MATCHES "\n${name}:[ \t]*([^\n]*(\n[ \t][^\n]*)*)")
        set(value "${CMAKE_MATCH_1}")
    endif()
    set(${var} "${value}" PARENT_SCOPE)
endfunction()

file(READ ${PROJECT_SOURCE_DIR}/debian/control control)
if(control MATCHES ";")
    message(FATAL_ERROR "debian/control holds a ';', which cannot be read here")
endif()
string(REGEX REPLACE "\n\n+" ";" stanzas "${control}")
list(POP_FRONT stanzas source_stanza)
debian_field(CPACK_DEBIAN_PACKAGE_MAINTAINER "${source_stanza}" Maintainer)
debian_field(CPACK_DEBIAN_PACKAGE_PRIORITY "${source_stanza}" Priority)
debian_field(source_section "${source_stanza}" Section)
set(CPACK_PACKAGE_CONTACT "${CPACK_DEBIAN_PACKAGE_MAINTAINER}")
set(CPACK_COMPONENTS_ALL "")
foreach(stanza IN LISTS stanzas)
    debian_field(package "${stanza}" Package)
    string(TOUPPER "${package}" component)
    list(APPEND CPACK_COMPONENTS_ALL ${package})
    set(CPACK_DEBIAN_${component}_PACKAGE_NAME ${package})
    debian_field(section "${stanza}" Section)
    if(NOT section)
        set(section ${source_section})
    endif()
    set(CPACK_DEBIAN_${component}_PACKAGE_SECTION ${section})
    # cpack indents the extended description itself and writes an empty line as " .".
    debian_field(description "${stanza}" Description)
    string(REPLACE "\n .\n" "\n\n" description "${description}")
    string(REPLACE "\n " "\n" CPACK_DEBIAN_${component}_DESCRIPTION "${description}")
    # Of dpkg-gencontrol's substitutions, the package's version is written out; the library
    # dependencies come from dpkg-shlibdeps below, and debhelper's own are none here.
    debian_field(depends "${stanza}" Depends)
    string(REPLACE "\${binary:Version}" "${deb_version}" depends "${depends}")
    string(REGEX REPLACE "\\\${[a-z]+:Depends}" "" depends "${depends}")
    string(REGEX REPLACE "[ \t\n]*,[ \t\n,]*" ", " depends "${depends}")
    string(REGEX REPLACE "^, |, $" "" depends "${depends}")
    set(CPACK_DEBIAN_${component}_PACKAGE_DEPENDS "${depends}")
    # Fields cpack cannot write: deb-fields.cmake adds them to the finished package.
    debian_field(CPACK_BOARDMAP_MULTI_ARCH_${component} "${stanza}" Multi-Arch)
endforeach()

# Depends comes from dpkg-shlibdeps on the binary being packaged, at package time: a binary
# built dynamically gets the C library version it really needs, a static one no dependency.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The shared library's package, named after its SONAME (support-library.cmake). What a program
# built with it then depends on (shlibs) and the loader's cache renewed when it comes or goes
# (the ldconfig trigger), as dh_makeshlibs writes them. Its Depends is stated by
# deb-staging.cmake from the library itself: dpkg-shlibdeps would look for a cross target's C
# library on this machine.
if(NOT ";${CPACK_COMPONENTS_ALL};" MATCHES ";${support_runtime_package};")
    message(FATAL_ERROR "debian/control has no package ${support_runtime_package}, which the "
        "shared library's SONAME names")
endif()
string(TOUPPER ${support_runtime_package} runtime)
set(CPACK_DEBIAN_${runtime}_PACKAGE_SHLIBDEPS OFF)
file(WRITE ${PROJECT_BINARY_DIR}/package-control/shlibs
    "libboardmap-support ${support_soversion} ${support_runtime_package} (>= ${PROJECT_VERSION})\n")
file(WRITE ${PROJECT_BINARY_DIR}/package-control/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_${runtime}_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/package-control/shlibs ${PROJECT_BINARY_DIR}/package-control/triggers)
# Control files (shlibs, triggers) are not scripts: mode 0644.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_BOARDMAP_RUNTIME_COMPONENT ${runtime})

set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-fields.cmake)
# The packages' time stamps, and which packages a build makes for which architecture.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/deb-options.cmake)
set(CPACK_BOARDMAP_SOURCE_DIR ${PROJECT_SOURCE_DIR})

include(CPack)
