#!/usr/bin/env bash
# Installs what a Debian 12 machine lacks for building and testing boardmap.
#
#   bash scripts/install-deps.sh          build and test: cmake, g++, make, GoogleTest, strace
#   bash scripts/install-deps.sh package  build and the Debian packages: also dpkg-dev, file
#   bash scripts/install-deps.sh all      also clang (clang build, libFuzzer), valgrind,
#                                         hyperfine and time (benchmarks), dpkg-dev and file
#                                         (Debian packages), lintian, mandoc and pkgconf
#                                         (checks of the packages, man page, installed library),
#                                         the i686 cross compiler and qemu-user-static (32-bit)
#
# Asks dpkg which packages are missing first and runs apt-get only for those, so it is a no-op
# on a machine that has them all. Uses sudo only when not run as root.
set -euo pipefail

build_packages=(cmake g++ make libgtest-dev)
# The system-call fault tests stop and fail the tool's calls with strace.
build_packages+=(strace)
extra_packages=(clang libclang-rt-14-dev valgrind hyperfine time dpkg-dev file)
# The 32-bit build run on inode numbers past 32 bits.
extra_packages+=(g++-i686-linux-gnu qemu-user-static)
package_packages=(dpkg-dev file)
check_packages=(lintian mandoc pkgconf)

case "${1:-build}" in
build | test) wanted=("${build_packages[@]}") ;;
package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
all) wanted=("${build_packages[@]}" "${extra_packages[@]}" "${check_packages[@]}") ;;
-h | --help)
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
*)
    echo "usage: $0 [build|package|all]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != installed ]]; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    echo "install-deps: all ${#wanted[@]} packages present (${wanted[*]})"
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: not root and no sudo; please install: ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q "${missing[@]}"
