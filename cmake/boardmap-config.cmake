# find_package(boardmap CONFIG REQUIRED) gives the target boardmap::support, the shared library,
# and boardmap::support_static, the archive beside it, for a program linked static.
include(${CMAKE_CURRENT_LIST_DIR}/boardmap-targets.cmake)

if(NOT TARGET boardmap::support_static)
    add_library(boardmap::support_static STATIC IMPORTED)
    get_filename_component(boardmap_libdir ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
    # The library is C at its boundary and needs no C++ runtime, although its sources are C++: a
    # C program that links it is linked as C, also in a project that enables C++ as well.
    set_target_properties(boardmap::support_static PROPERTIES
        IMPORTED_LOCATION ${boardmap_libdir}/libboardmap-support.a
        IMPORTED_LINK_INTERFACE_LANGUAGES C)
    get_target_property(boardmap_interface boardmap::support INTERFACE_INCLUDE_DIRECTORIES)
    set_property(TARGET boardmap::support_static PROPERTY
        INTERFACE_INCLUDE_DIRECTORIES ${boardmap_interface})
    get_target_property(boardmap_interface boardmap::support INTERFACE_COMPILE_FEATURES)
    set_property(TARGET boardmap::support_static PROPERTY
        INTERFACE_COMPILE_FEATURES ${boardmap_interface})
    unset(boardmap_interface)
    unset(boardmap_libdir)
endif()
