#!/usr/bin/env bash
# The support module installed into a scratch prefix and used by outside programs (what it
# exports and needs is step 07's): the examples (C and C++) build against it with find_package
# (also from a project in C alone, and linked static) and with pkg-config (gcc and clang as C99;
# g++, clang++ and a second g++ as C++20; and linked static), as do the library guide's two
# programs, and all print the same on the sample mailbox.
source "$(dirname "$0")/../lib.sh"
build default
outside=build/outside
rm -rf "$outside"
prefix=$PWD/$outside/prefix
cmake --install build --prefix "$prefix"
# Every installed name carries the project's name: nothing directly under include/support/,
# no bare libsupport.a.
if find "$prefix" -path "$prefix/include/support" -o -name 'libsupport*' | grep .; then
    echo "an installed name lacks the project's name" >&2
    exit 1
fi
cp -R examples/mailbox "$outside/mailbox"
warning_flags=(-Wall -Wextra -Wpedantic -Werror)

echo "--- find_package(boardmap): the examples (C and C++) as a CMake project of their own"
cmake -S examples -B "$outside/cmake" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_FLAGS="${warning_flags[*]}" -DCMAKE_CXX_FLAGS="${warning_flags[*]}" \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build "$outside/cmake" --verbose

echo "--- find_package(boardmap) from a project in C alone"
mkdir -p "$outside/c-project"
printf '%s\n' 'cmake_minimum_required(VERSION 3.18)' 'project(lookup_in_c LANGUAGES C)' \
    'find_package(boardmap CONFIG REQUIRED)' "add_executable(lookup_c $PWD/examples/lookup.c)" \
    'set_target_properties(lookup_c PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF)' \
    'target_link_libraries(lookup_c PRIVATE boardmap::support)' \
    "add_executable(lookup_c_static $PWD/examples/lookup.c)" \
    'set_target_properties(lookup_c_static PROPERTIES C_STANDARD 99 C_EXTENSIONS OFF)' \
    'target_link_libraries(lookup_c_static PRIVATE boardmap::support_static)' \
    >"$outside/c-project/CMakeLists.txt"
cmake -S "$outside/c-project" -B "$outside/c-project/build" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_FLAGS="${warning_flags[*]}" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build "$outside/c-project/build" --verbose
# The target hands a C compile no C++ flag.
if grep -E -- '-std=(c|gnu)\+\+' "$outside/c-project/build/compile_commands.json"; then
    echo "boardmap::support gives a C compile a C++ flag" >&2
    exit 1
fi
# boardmap::support_static links the archive: the program needs no libboardmap-support.so.
if readelf -d "$outside/c-project/build/lookup_c_static" | grep -F libboardmap-support; then
    echo "boardmap::support_static links the shared library" >&2
    exit 1
fi

# A second g++, where the release has one (scripts/install-deps.sh all): the library is built
# with the default one.
default_gxx=g++-$(g++ -dumpversion | cut -d. -f1)
second_gxx=$(compgen -c g++- | grep -E '^g\+\+-[0-9]+$' | grep -vxF "$default_gxx" |
    sort -t- -k2 -n | tail -n 1 || true)
echo "--- pkg-config boardmap-support: the examples with gcc and clang (C99) and with g++,"
echo "    clang++ and ${second_gxx:-no second g++} (C++20); the library is built with g++ $(g++ -dumpversion)"
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name boardmap-support.pc)")
export PKG_CONFIG_PATH
pkg_config_flags=$(pkg-config --cflags --libs boardmap-support)
echo "pkg-config --cflags --libs boardmap-support: $pkg_config_flags"
# Neither way hands an outside program a definition: it keeps its own off_t and time_t.
for flags in "$pkg_config_flags" "$(cat "$outside/cmake/compile_commands.json")"; do
    if grep -E -- '-D_FILE_OFFSET_BITS|-D_TIME_BITS' <<<"$flags"; then
        echo "an outside build is handed a definition" >&2
        exit 1
    fi
done
for compiler in gcc clang; do
    (
        set -x
        "$compiler" -std=c99 "${warning_flags[@]}" -o "$outside/lookup_c_$compiler" \
            examples/lookup.c $pkg_config_flags
    )
done
for compiler in g++ clang++ $second_gxx; do
    (
        set -x
        "$compiler" -std=c++20 "${warning_flags[@]}" -o "$outside/lookup_cxx_$compiler" \
            examples/lookup.cpp $pkg_config_flags
    )
done
# A program linked static, as the tool is: the archive, through pkg-config --static.
(
    set -x
    gcc -std=c99 "${warning_flags[@]}" -static -o "$outside/lookup_c_static" examples/lookup.c \
        $(pkg-config --static --cflags --libs boardmap-support)
)
file "$outside/lookup_c_static" | grep 'statically linked'
# The library guide's programs (its one C block and its one C++ block) as a user would copy them.
sed -n '/^```c$/,/^```$/p' doc/library.md | sed '1d;$d' >"$outside/guide_program.c"
sed -n '/^```cpp$/,/^```$/p' doc/library.md | sed '1d;$d' >"$outside/guide_program.cpp"
gcc -std=c99 "${warning_flags[@]}" -o "$outside/guide_program_c" "$outside/guide_program.c" \
    $pkg_config_flags
g++ -std=c++20 "${warning_flags[@]}" -o "$outside/guide_program_cxx" \
    "$outside/guide_program.cpp" $pkg_config_flags

echo "--- the C programs need no C++ runtime"
for program in "$outside/lookup_c_gcc" "$outside/lookup_c_clang" "$outside/guide_program_c" \
    "$outside/cmake/lookup_c_example" "$outside/c-project/build/lookup_c"; do
    if readelf -d "$program" | grep -F 'libstdc++'; then
        echo "$program needs libstdc++" >&2
        exit 1
    fi
done
echo "no C program needs libstdc++"

echo "--- each header alone: the C one as C99 and C11 and as C++20, the C++ ones as C++20"
cflags=$(pkg-config --cflags boardmap-support)
for compiler in gcc clang; do
    for standard in c99 c11; do
        echo '#include <boardmap/support.h>' |
            "$compiler" -std="$standard" "${warning_flags[@]}" -fsyntax-only -x c - $cflags
        echo "boardmap/support.h compiles alone with $compiler -std=$standard"
    done
done
for header in support.h support/text.hpp support/run_data.hpp support/mailbox.hpp; do
    echo "#include <boardmap/$header>" |
        g++ -std=c++20 "${warning_flags[@]}" -fsyntax-only -x c++ - $cflags
    echo "boardmap/$header compiles alone with g++ -std=c++20"
done
echo "--- the C++ headers without C++20: one #error that names the standard"
printf '#include <boardmap/support/%s.hpp>\n' text run_data mailbox >"$outside/before_cxx20.cpp"
if g++ -std=c++17 -fsyntax-only "$outside/before_cxx20.cpp" $cflags \
    2>"$outside/before_cxx20.log"; then
    echo "the C++ headers compile as C++17" >&2
    exit 1
fi
cat "$outside/before_cxx20.log"
if [[ $(grep -c 'error:' "$outside/before_cxx20.log") != 1 ]] ||
    ! grep -q '#error.*need C++20 (-std=c++20)' "$outside/before_cxx20.log"; then
    echo "without C++20 the headers give other errors than the one #error" >&2
    exit 1
fi

echo "--- run on the sample mailbox: every build prints what the in-tree build prints"
(
    cd "$outside/mailbox"
    # Programs built with pkg-config find the scratch prefix's shared library this way (those of
    # CMake are linked with its directory).
    LD_LIBRARY_PATH=$(dirname "$PKG_CONFIG_PATH")
    export LD_LIBRARY_PATH
    # DX: a hierarchy board; n0call: a user board; nix: no list, the library's failure.
    for board in DX n0call nix; do
        expected_status=0
        ../../examples/lookup_example "$board" >expected || expected_status=$?
        cat expected
        for program in ../cmake/lookup_example ../cmake/lookup_c_example \
            ../c-project/build/lookup_c ../c-project/build/lookup_c_static ../lookup_c_gcc \
            ../lookup_c_clang ../lookup_c_static ../lookup_cxx_g++ ../lookup_cxx_clang++ \
            ${second_gxx:+../lookup_cxx_$second_gxx}; do
            status=0
            "$program" "$board" >found || status=$?
            if ! cmp expected found || ((status != expected_status)); then
                echo "$program $board: status $status, expected $expected_status" >&2
                exit 1
            fi
        done
        echo "(the same, with status $expected_status, from every outside build)"
    done
    ../guide_program_c | tee expected
    ../guide_program_cxx >found
    cmp expected found
)
