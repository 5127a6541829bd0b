#pragma once

// The C++ layer of the support library needs C++20 (std::span): without it, one clear message
// instead of errors from deep inside the headers, which then leave out their contents. g++ 10
// counts C++20 as 201709.
#if __cplusplus <= 201703L
#error "boardmap/support/*.hpp need C++20 (-std=c++20); C and older C++: <boardmap/support.h>"
#endif
