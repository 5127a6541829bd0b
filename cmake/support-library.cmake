# The support module as a library for the mailbox's other programs: its C interface
# include/boardmap/support.h, the C++20 layer over it in include/boardmap/support/*.hpp (header
# only), libboardmap-support.a, the CMake package `boardmap` (target boardmap::support) and the
# pkg-config file boardmap-support.pc, all in the package libboardmap-support-dev. A C program
# writes #include <boardmap/support.h>, a C++ one #include <boardmap/support/mailbox.hpp>.

set(support_c_header include/boardmap/support.h)
set(support_cxx_headers include/boardmap/support/text.hpp include/boardmap/support/run_data.hpp
    include/boardmap/support/mailbox.hpp include/boardmap/support/cxx20.hpp)

# include/ holds the installed headers only: programs in this tree include them as outside
# programs do.
target_include_directories(support PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
# A C program links the library with the C compiler alone: without exceptions and RTTI its
# objects need nothing of a C++ runtime (.ci/run checks the archive's undefined symbols).
target_compile_options(support PRIVATE -fno-exceptions -fno-rtti)
# The C++ layer's headers need C++20, for C++ compiles only. Installed, the CMake package asks for
# it only where C++ is enabled (boardmap-config.cmake): CMake 3.18 refuses a C-only project a
# target that carries a C++ feature.
target_compile_features(support PUBLIC $<BUILD_INTERFACE:cxx_std_20>)
set_target_properties(support PROPERTIES OUTPUT_NAME boardmap-support EXPORT_NAME support)
add_library(boardmap::support ALIAS support)

set(support_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/boardmap)
install(TARGETS support EXPORT boardmap-targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libboardmap-support-dev)
install(FILES doc/library.md
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libboardmap-support-dev
    COMPONENT libboardmap-support-dev)
install(FILES ${support_c_header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/boardmap
    COMPONENT libboardmap-support-dev)
install(FILES ${support_cxx_headers}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/boardmap/support COMPONENT libboardmap-support-dev)
install(EXPORT boardmap-targets NAMESPACE boardmap::
    DESTINATION ${support_cmake_dir} COMPONENT libboardmap-support-dev)

include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/boardmap-config-version.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/boardmap-config.cmake
    ${PROJECT_BINARY_DIR}/boardmap-config-version.cmake
    DESTINATION ${support_cmake_dir} COMPONENT libboardmap-support-dev)

# The pkg-config file names the prefix it is installed under (--prefix, or /usr in the
# package), so it is written at install time.
install(CODE "
    set(BOARDMAP_PC_LIBDIR [[${CMAKE_INSTALL_LIBDIR}]])
    set(BOARDMAP_PC_INCLUDEDIR [[${CMAKE_INSTALL_INCLUDEDIR}]])
    set(BOARDMAP_PC_VERSION [[${PROJECT_VERSION}]])
    configure_file([[${CMAKE_CURRENT_LIST_DIR}/boardmap-support.pc.in]]
        [[${PROJECT_BINARY_DIR}/boardmap-support.pc]] @ONLY)
" COMPONENT libboardmap-support-dev)
install(FILES ${PROJECT_BINARY_DIR}/boardmap-support.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT libboardmap-support-dev)
