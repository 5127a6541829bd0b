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
    unset(boardmap_interface)
    unset(boardmap_libdir)

    # The C++ layer's headers need C++20: asked for in a project that compiles C++ only, since
    # CMake 3.18 refuses a C-only project a target that carries a C++ feature.
    get_property(boardmap_languages GLOBAL PROPERTY ENABLED_LANGUAGES)
    if(";${boardmap_languages};" MATCHES ";CXX;")
        set_property(TARGET boardmap::support boardmap::support_static APPEND
            PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)
    endif()
    unset(boardmap_languages)
endif()
