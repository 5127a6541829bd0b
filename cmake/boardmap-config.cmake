# find_package(boardmap CONFIG REQUIRED) gives the target boardmap::support.
include(${CMAKE_CURRENT_LIST_DIR}/boardmap-targets.cmake)
