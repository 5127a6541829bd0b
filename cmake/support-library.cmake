# The support module as a library for the mailbox's other programs: its three public headers
# under include/boardmap/support/, libboardmap-support.a, the CMake package `boardmap` (target
# boardmap::support) and the pkg-config file boardmap-support.pc, all in the package
# libboardmap-support-dev. An outside program writes #include <boardmap/support/mailbox.hpp>.

set(support_public_headers support/text.hpp support/run_data.hpp support/mailbox.hpp)

# Programs in this tree include the headers as outside programs do, through a copy of the
# public ones only, so that none of them can reach an internal header.
foreach(header IN LISTS support_public_headers)
    configure_file(${header} ${PROJECT_BINARY_DIR}/include/boardmap/${header} COPYONLY)
endforeach()
target_include_directories(support PUBLIC
    $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_compile_features(support PUBLIC cxx_std_20)
set_target_properties(support PROPERTIES OUTPUT_NAME boardmap-support EXPORT_NAME support)
add_library(boardmap::support ALIAS support)

set(support_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/boardmap)
install(TARGETS support EXPORT boardmap-targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(FILES ${support_public_headers}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/boardmap/support COMPONENT dev)
install(EXPORT boardmap-targets NAMESPACE boardmap::
    DESTINATION ${support_cmake_dir} COMPONENT dev)

include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/boardmap-config-version.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/boardmap-config.cmake
    ${PROJECT_BINARY_DIR}/boardmap-config-version.cmake
    DESTINATION ${support_cmake_dir} COMPONENT dev)

# The pkg-config file names the prefix it is installed under (--prefix, or /usr in the
# package), so it is written at install time.
install(CODE "
    set(BOARDMAP_PC_LIBDIR [[${CMAKE_INSTALL_LIBDIR}]])
    set(BOARDMAP_PC_INCLUDEDIR [[${CMAKE_INSTALL_INCLUDEDIR}]])
    set(BOARDMAP_PC_VERSION [[${PROJECT_VERSION}]])
    configure_file([[${CMAKE_CURRENT_LIST_DIR}/boardmap-support.pc.in]]
        [[${PROJECT_BINARY_DIR}/boardmap-support.pc]] @ONLY)
" COMPONENT dev)
install(FILES ${PROJECT_BINARY_DIR}/boardmap-support.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
