# The support module as a library for the mailbox's other programs: its C interface
# include/boardmap/support.h, the C++20 layer over it in include/boardmap/support/*.hpp (header
# only), the shared library libboardmap-support.so.1 (package libboardmap-support1), and for
# building programs (package libboardmap-support-dev) its .so link, the static archive
# libboardmap-support.a, the CMake package `boardmap` (target boardmap::support, the shared
# library; boardmap::support_static, the archive) and the pkg-config file boardmap-support.pc.
# A C program writes #include <boardmap/support.h>, a C++ one
# #include <boardmap/support/mailbox.hpp>.

# The shared library's own version, apart from the package's: raise the minor number when a
# routine is added (programs built before still run), the major number, and with it the SONAME
# and the runtime package's name, when anything changes that programs built before rely on. Each
# version's interface is recorded in abi/ (see .ci/steps/08-library-abi.sh).
set(support_library_version 1.0.0)
string(REGEX MATCH "^[0-9]+" support_soversion ${support_library_version})
set(support_runtime_package libboardmap-support${support_soversion})
set(support_dev_package libboardmap-support-dev)

# The version macros of the C header are the package's version.
file(STRINGS ${PROJECT_SOURCE_DIR}/include/boardmap/support.h version_macros
    REGEX "^#define BMS_VERSION_(MAJOR|MINOR|PATCH) ")
string(REGEX REPLACE "#define BMS_VERSION_[A-Z]+ " "" header_version "${version_macros}")
string(REPLACE ";" "." header_version "${header_version}")
if(NOT header_version VERSION_EQUAL PROJECT_VERSION)
    message(FATAL_ERROR "BMS_VERSION_MAJOR/_MINOR/_PATCH in include/boardmap/support.h say "
        "${header_version}, the project is ${PROJECT_VERSION}")
endif()

set(support_c_header include/boardmap/support.h)
set(support_cxx_headers include/boardmap/support/text.hpp include/boardmap/support/run_data.hpp
    include/boardmap/support/mailbox.hpp include/boardmap/support/cxx20.hpp)

# The module's code, compiled once for the shared library, the archive, the tool and the tests.
add_library(support_objects OBJECT ${support_sources})
# include/ holds the installed headers only: programs in this tree include them as outside
# programs do. The module's own helpers (support/*.hpp) are shared with the tool.
target_include_directories(support_objects PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
target_compile_definitions(support_objects PRIVATE ${support_definitions})
# A C program links the library with the C compiler alone: without exceptions and RTTI its
# objects need nothing of a C++ runtime (CI checks the library's undefined symbols).
target_compile_options(support_objects PRIVATE -fno-exceptions -fno-rtti)
# Only the bms_ routines, which <boardmap/support.h> marks, leave the library: the module's C++
# helpers are its own, so that no other library's function of the same name can replace one.
set_target_properties(support_objects PROPERTIES POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

add_library(support SHARED $<TARGET_OBJECTS:support_objects>)
add_library(boardmap::support ALIAS support)
target_include_directories(support INTERFACE
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
# The C++ layer's headers need C++20, for C++ compiles only. Installed, the CMake package asks for
# it only where C++ is enabled (boardmap-config.cmake): CMake 3.18 refuses a C-only project a
# target that carries a C++ feature.
target_compile_features(support INTERFACE $<BUILD_INTERFACE:cxx_std_20>)
set_target_properties(support PROPERTIES OUTPUT_NAME boardmap-support EXPORT_NAME support
    VERSION ${support_library_version} SOVERSION ${support_soversion}
    LINKER_LANGUAGE C)
# The export list, and calls between the library's routines bound inside it.
set(support_exports ${CMAKE_CURRENT_LIST_DIR}/libboardmap-support.map)
target_link_options(support PRIVATE LINKER:--version-script=${support_exports}
    LINKER:-Bsymbolic-functions)
set_property(TARGET support APPEND PROPERTY LINK_DEPENDS ${support_exports})
if(NOT BOARDMAP_SANITIZE AND NOT BOARDMAP_FUZZ)
    # The library is its own objects and nothing of the compiler's: no start files and no libgcc,
    # which for armhf are ARMv7 code that an ARMv6 (Raspberry Pi Zero, Pi 1) cannot run, while
    # the library is built for ARMv6. It has no constructors for the start files to run, and
    # -z defs turns any helper the compiler would take from libgcc into a link error.
    target_link_options(support PRIVATE -nostartfiles -nodefaultlibs LINKER:-z,defs)
    target_link_libraries(support PRIVATE c)
endif()

# The archive, for programs linked static: the same objects, made one relocatable object first,
# in which the module's hidden names become local, so that the archive defines the bms_
# routines alone (hidden visibility by itself leaves them global in each object of an archive).
set(support_archive ${PROJECT_BINARY_DIR}/libboardmap-support.a)
set(support_archive_object ${PROJECT_BINARY_DIR}/libboardmap-support.o)
add_custom_command(OUTPUT ${support_archive}
    COMMAND ${CMAKE_C_COMPILER} -r -nostdlib -o ${support_archive_object}
        $<TARGET_OBJECTS:support_objects>
    COMMAND ${CMAKE_OBJCOPY} --localize-hidden ${support_archive_object}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${support_archive}
    COMMAND ${CMAKE_AR} qcD ${support_archive} ${support_archive_object}
    DEPENDS $<TARGET_OBJECTS:support_objects>
    COMMAND_EXPAND_LISTS VERBATIM)
add_custom_target(support_archive ALL DEPENDS ${support_archive})
add_dependencies(support_archive support_objects)

set(support_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/boardmap)
install(TARGETS support EXPORT boardmap-targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${support_runtime_package}
    NAMELINK_COMPONENT ${support_dev_package})
install(FILES ${support_archive} DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT ${support_dev_package})
install(FILES doc/library.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${support_dev_package}
    COMPONENT ${support_dev_package})
install(FILES ${support_c_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/boardmap
    COMPONENT ${support_dev_package})
install(FILES ${support_cxx_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/boardmap/support
    COMPONENT ${support_dev_package})
install(EXPORT boardmap-targets NAMESPACE boardmap::
    DESTINATION ${support_cmake_dir} COMPONENT ${support_dev_package})

include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/boardmap-config-version.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/boardmap-config.cmake
    ${PROJECT_BINARY_DIR}/boardmap-config-version.cmake
    DESTINATION ${support_cmake_dir} COMPONENT ${support_dev_package})

# The pkg-config file names the prefix it is installed under (--prefix, or /usr in the
# package), so it is written at install time.
install(CODE "
    set(BOARDMAP_PC_LIBDIR [[${CMAKE_INSTALL_LIBDIR}]])
    set(BOARDMAP_PC_INCLUDEDIR [[${CMAKE_INSTALL_INCLUDEDIR}]])
    set(BOARDMAP_PC_VERSION [[${PROJECT_VERSION}]])
    configure_file([[${CMAKE_CURRENT_LIST_DIR}/boardmap-support.pc.in]]
        [[${PROJECT_BINARY_DIR}/boardmap-support.pc]] @ONLY)
" COMPONENT ${support_dev_package})
install(FILES ${PROJECT_BINARY_DIR}/boardmap-support.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT ${support_dev_package})

# The manual page of every routine, and for each routine that its NAME section names a page
# that leads to it (man bms_list_line).
set(support_man_page ${PROJECT_SOURCE_DIR}/doc/libboardmap-support.3)
set(support_man_dir ${CMAKE_INSTALL_MANDIR}/man3)
install(FILES ${support_man_page} DESTINATION ${support_man_dir} COMPONENT ${support_dev_package})
file(READ ${support_man_page} man_page)
string(REGEX MATCH "\n[.]SH NAME\n[^.]*" man_names "${man_page}")
string(REGEX MATCHALL "bms_[a-z_]+" support_routines "${man_names}")
foreach(routine IN LISTS support_routines)
    file(WRITE ${PROJECT_BINARY_DIR}/man3/${routine}.3 ".so man3/libboardmap-support.3\n")
    install(FILES ${PROJECT_BINARY_DIR}/man3/${routine}.3 DESTINATION ${support_man_dir}
        COMPONENT ${support_dev_package})
endforeach()
