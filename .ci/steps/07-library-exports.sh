#!/usr/bin/env bash
# What the support library shows programs, installed from a build into a scratch prefix as its
# two packages install it:
# - the shared library (nm -D) and the archive (nm -g) define the routines that the manual page
#   names and nothing else, and take nothing of a C++ runtime; the shared library's SONAME is
#   its major version, and it needs the C library alone;
# - neither pkg-config nor the CMake package hands a program a definition (-D) or any other flag
#   but the include directory and the library;
# - gcc and clang warn at -Wall about a literal NULL for a pointer the routines need, but not
#   about an out buffer of NULL with a size of 0;
# - the version macros of the installed header are the package's version.
#
#   bash .ci/steps/07-library-exports.sh [BUILD-DIR]     (default: build/, preset default)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source .ci/library.sh

build=${1:-build}
# Configured again, so that a build directory of an earlier commit knows today's targets.
if [[ $build == build ]]; then
    cmake --preset default >/dev/null
fi
cmake --build "$build" --target support support_archive -j2 >/dev/null
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
install_library "$build" "$prefix"
shared=$(find "$prefix" -name 'libboardmap-support.so.*.*.*')
archive=$(find "$prefix" -name libboardmap-support.a)
libdir=$(dirname "$archive")

routines=$(sed -n '/^\.SH NAME/,/^\.SH LIBRARY/p' doc/libboardmap-support.3 |
    grep -o 'bms_[a-z_]*' | sort -u)
for library in "$shared" "$archive"; do
    if [[ $library == "$shared" ]]; then
        symbols=(nm -D "$library")
    else
        symbols=(nm -g "$library")
    fi
    echo "--- ${symbols[*]#"$prefix"/}"
    "${symbols[@]}"
    defined=$("${symbols[@]}" --defined-only | awk 'NF == 3 {print $3}' | sort -u)
    if [[ $defined != "$routines" ]]; then
        fail "${library##*/} defines other names than the routines of doc/libboardmap-support.3:" \
            "$(diff <(echo "$routines") <(echo "$defined") | grep '^[<>]' | tr '\n' ' ')"
    fi
    # No mangled name (operator new, std::__throw_*), no exception, RTTI or guard support.
    if "${symbols[@]}" --undefined-only | awk '{print $NF}' | grep -E '^(_Z|__cxa_|__gxx_|_Unwind_)'; then
        fail "${library##*/} needs a C++ runtime"
    fi
done
echo "defined by both: the $(wc -l <<<"$routines") routines of the manual page, nothing else"

soname=$(readelf -d "$shared" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
needed=$(readelf -d "$shared" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')
version=${shared##*.so.}
echo "${shared##*/}: SONAME $soname, needs $needed"
if [[ $soname != "libboardmap-support.so.${version%%.*}" ]]; then
    fail "the SONAME $soname is not libboardmap-support.so.<major> of ${shared##*/}"
fi
# The C library, and on some targets its loader (which defines the stack guard on 32-bit ARM).
if grep -vE '^(libc\.so\.6|ld-linux[-a-z0-9]*\.so\.[0-9])$' <(tr ' ' '\n' <<<"$needed" | sed '/^$/d'); then
    fail "${shared##*/} needs more than the C library"
fi

export PKG_CONFIG_LIBDIR=$libdir/pkgconfig
cflags=$(pkg-config --cflags boardmap-support | xargs)
libs=$(pkg-config --libs boardmap-support | xargs)
echo "pkg-config --cflags: $cflags; --libs: $libs"
if [[ $cflags != "-I$prefix/include" || $libs != "-L$libdir -lboardmap-support" ]]; then
    fail "pkg-config hands programs other flags than the include and library directories"
fi
targets=$(cat "$libdir"/cmake/boardmap/boardmap-targets*.cmake)
if grep -E 'INTERFACE_COMPILE_(DEFINITIONS|OPTIONS)|INTERFACE_LINK_OPTIONS' <<<"$targets"; then
    fail "the CMake target hands programs definitions or options"
fi
echo "no definition or other flag for programs, from pkg-config or the CMake target"

for compiler in gcc clang; do
    warned=$(printf '%s\n' '#include <boardmap/support.h>' \
        'int main(void) { char b[4] = "dx"; bms_init_value("X", NULL, 0); return bms_board_dir(NULL, b, sizeof b); }' |
        "$compiler" -std=c99 -Wall -fsyntax-only -x c - $cflags 2>&1 | grep -c 'warning: .*null' || true)
    echo "$compiler -Wall: $warned warning of a NULL argument"
    if ((warned != 1)); then
        fail "$compiler -Wall gives $warned warnings of a NULL argument, wanted the one for the board"
    fi
done

header_version=$(printf '#include <boardmap/support.h>\nBMS_VERSION_MAJOR.BMS_VERSION_MINOR.BMS_VERSION_PATCH\n' |
    cpp -P $cflags | tail -n 1 | tr -d ' ')
package_version=$(pkg-config --modversion boardmap-support)
echo "BMS_VERSION_MAJOR/_MINOR/_PATCH: $header_version; the package's version: $package_version"
if [[ $header_version != "$package_version" && $header_version != "$package_version.0" ]]; then
    fail "the header's version macros are not the package's version"
fi
exit "$library_failed"
