#!/usr/bin/env bash
# Installs what a Debian 12 machine lacks for building and testing boardmap.
#
#   bash scripts/install-deps.sh          build and test: cmake, g++, make, GoogleTest, strace
#   bash scripts/install-deps.sh package  build and the Debian packages: also dpkg-dev, file
#   bash scripts/install-deps.sh all      also clang (clang build, libFuzzer), valgrind,
#                                         hyperfine and time (benchmarks), dpkg-dev and file
#                                         (Debian packages), lintian, mandoc, pkgconf,
#                                         g++-11 and abigail-tools (checks of the packages, man
#                                         pages, installed library, which a second g++ version
#                                         builds against, and its recorded interface),
#                                         hardening-check (devscripts) and diffoscope (the
#                                         shipped binaries, the reproducible packages), and the
#                                         cross builds: Debian's cross compilers for arm64,
#                                         armel (every 32-bit Raspberry Pi), armhf and i386,
#                                         GoogleTest's sources, qemu-user, and clang's runtimes
#                                         for arm64 and armhf (foreign architectures, added to
#                                         dpkg)
#
# Asks dpkg which packages are missing first and runs apt-get only for those, so it is a no-op
# on a machine that has them all. Uses sudo only when not run as root.
set -euo pipefail

build_packages=(cmake g++ make libgtest-dev)
# The system-call fault tests stop and fail the tool's calls with strace.
build_packages+=(strace)
extra_packages=(clang libclang-rt-14-dev valgrind hyperfine time dpkg-dev file)
package_packages=(dpkg-dev file)
check_packages=(lintian mandoc pkgconf g++-11 abigail-tools)
# Installed without what they recommend (about 90 packages for devscripts), which the checks do
# not use: hardening-check of devscripts, and diffoscope to show where two packages differ.
lean_packages=(devscripts diffoscope-minimal)
# The cross builds and their tests, the i386 one also on inode numbers past 32 bits. The 32-bit
# ARM tool is built with the armel compiler (ARMv5TE), whose static binary runs on every
# Raspberry Pi; the armhf one builds the hard-float library (ARMv6) and the fuzz targets for
# 32-bit ARM.
cross_packages=(g++-aarch64-linux-gnu g++-arm-linux-gnueabi g++-arm-linux-gnueabihf g++-i686-linux-gnu googletest
    qemu-user-static libclang-rt-14-dev:arm64 libclang-rt-14-dev:armhf)
# The architectures of the cross packages that carry one (clang's runtimes of the ARM targets).
foreign_architectures=(arm64 armhf)

foreign=()
lean=()
case "${1:-build}" in
build | test) wanted=("${build_packages[@]}") ;;
package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
all)
    wanted=("${build_packages[@]}" "${extra_packages[@]}" "${check_packages[@]}" "${cross_packages[@]}")
    lean=("${lean_packages[@]}")
    foreign=("${foreign_architectures[@]}")
    ;;
-h | --help)
    sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
*)
    echo "usage: $0 [build|package|all]" >&2
    exit 2
    ;;
esac

# missing PACKAGE...: those of the packages that are not installed.
missing() {
    local package status
    for package in "$@"; do
        # A name without an architecture matches every architecture's package: one must be there.
        status=$(dpkg-query -W -f='${db:Status-Status}\n' "$package" 2>/dev/null || true)
        if ! grep -qx installed <<<"$status"; then
            echo "$package"
        fi
    done
}
mapfile -t missing < <(missing "${wanted[@]}")
mapfile -t missing_lean < <(missing "${lean[@]}")

if ((${#missing[@]} + ${#missing_lean[@]} == 0)); then
    wanted+=("${lean[@]}")
    echo "install-deps: all ${#wanted[@]} packages present (${wanted[*]})"
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: not root and no sudo; please install: ${missing[*]} ${missing_lean[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]} ${missing_lean[*]}"
export DEBIAN_FRONTEND=noninteractive
for architecture in "${foreign[@]}"; do
    if ! dpkg --print-foreign-architectures | grep -qxF "$architecture"; then
        "${sudo[@]}" dpkg --add-architecture "$architecture"
    fi
done
"${sudo[@]}" apt-get update -q
if ((${#missing[@]} > 0)); then
    "${sudo[@]}" apt-get install -y -q "${missing[@]}"
fi
if ((${#missing_lean[@]} > 0)); then
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing_lean[@]}"
fi
