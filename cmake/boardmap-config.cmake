# find_package(boardmap CONFIG REQUIRED) gives the target boardmap::support.
include(${CMAKE_CURRENT_LIST_DIR}/boardmap-targets.cmake)

# The library is C at its boundary and needs no C++ runtime, although its sources are C++: a C
# program that links it is linked as C, also in a project that enables C++ as well.
get_target_property(boardmap_configurations boardmap::support IMPORTED_CONFIGURATIONS)
foreach(boardmap_configuration IN LISTS boardmap_configurations)
    set_property(TARGET boardmap::support
        PROPERTY IMPORTED_LINK_INTERFACE_LANGUAGES_${boardmap_configuration} C)
endforeach()
unset(boardmap_configurations)
unset(boardmap_configuration)

# The C++ layer's headers need C++20: asked for in a project that compiles C++.
get_property(boardmap_languages GLOBAL PROPERTY ENABLED_LANGUAGES)
if(";${boardmap_languages};" MATCHES ";CXX;")
    set_property(TARGET boardmap::support APPEND PROPERTY INTERFACE_COMPILE_FEATURES cxx_std_20)
endif()
unset(boardmap_languages)
