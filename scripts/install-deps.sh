#!/usr/bin/env bash
# Installs what a Debian (or Raspberry Pi OS) 11, 12 or 13 machine lacks for boardmap, taking the
# package names and versions that its release offers.
#
#   bash scripts/install-deps.sh          build and test: cmake, g++, make, GoogleTest, strace
#   bash scripts/install-deps.sh package  also what cpack's packages need: dpkg-dev, file
#   bash scripts/install-deps.sh cross    the packages for a Raspberry Pi (or a 32-bit PC) built
#                                         on a PC: package, and Debian's cross compilers for
#                                         arm64, armel (every 32-bit Raspberry Pi's tool), armhf
#                                         (its hard-float library) and i386
#   bash scripts/install-deps.sh all      everything CI uses: package, clang and its runtime
#                                         (clang build, libFuzzer), valgrind, hyperfine and time
#                                         (benchmarks), lintian, mandoc, pkgconf, abigail-tools
#                                         and a second g++ where the release has one (checks of
#                                         the packages, man pages, installed library and its
#                                         recorded interface), hardening-check
#                                         (devscripts) and diffoscope (the shipped binaries, the
#                                         reproducible packages), debootstrap (the other
#                                         releases' chroots), and the cross builds and their
#                                         tests: the cross compilers, GoogleTest's
#                                         sources, qemu-user, and clang's runtimes for arm64
#                                         and armhf (foreign architectures, added to dpkg)
#
# First makes sure the release is new enough: CMake 3.18 and g++ 10 (Debian 11) or later, and
# stops at once, before installing anything, where they are older. Asks dpkg which packages are
# missing and runs apt-get only for those, so it is a no-op on a machine that has them all. An
# index that fails to download (a mirror in sync, a foreign architecture's) does not stop it:
# apt-get install says so if it needed that index. Uses sudo only when not run as root.
set -euo pipefail

mode=${1:-build}
case "$mode" in
build | test | package | cross | all) ;;
-h | --help)
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
    exit 0
    ;;
*)
    echo "usage: $0 [build|package|cross|all]" >&2
    exit 2
    ;;
esac

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

updated=false
# A failed index stops nothing here; what install needs and lacks, it reports.
update() {
    if ! "${sudo[@]}" apt-get update -q; then
        echo "install-deps: apt-get update could not fetch every index (above); going on"
    fi
    updated=true
}

# A fresh system has no package lists yet: without them nothing can be looked up.
if ! compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
    if ((${#sudo[@]} > 0)) && ! command -v sudo >/dev/null; then
        echo "install-deps: not root and no sudo; run it as root" >&2
        exit 1
    fi
    update
fi

# version_of PACKAGE: its installed version, else the one apt would install, without an epoch.
version_of() {
    local version
    version=$(dpkg-query -W -f='${db:Status-Status} ${Version}\n' "$1" 2>/dev/null |
        awk '$1 == "installed" { print $2; exit }')
    if [[ -z $version ]]; then
        version=$(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ { print $2 }')
        [[ $version != "(none)" ]] || version=
    fi
    echo "${version#*:}"
}

# require PACKAGE NAME MINIMUM: stops where the release's package is older than the minimum.
require() {
    local version
    version=$(version_of "$1")
    if [[ -z $version ]]; then
        echo "install-deps: no package $1 is available: check the sources of apt" >&2
        exit 1
    fi
    if ! dpkg --compare-versions "$version" ge "$3"; then
        echo "install-deps: $2 ${version%%[-+~]*} is too old: boardmap needs $2 $3 or later" \
            "(Debian 11 or later)" >&2
        exit 1
    fi
}
require cmake CMake 3.18
require g++ "g++" 10

# known PACKAGE: whether apt knows the package.
known() {
    [[ -n $(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ && $2 != "(none)"') ]]
}

build_packages=(cmake g++ make libgtest-dev)
# The system-call fault tests stop and fail the tool's calls with strace.
build_packages+=(strace)
package_packages=(dpkg-dev file)
# The 32-bit ARM tool is built with the armel compiler (ARMv5TE), whose static binary runs on
# every Raspberry Pi; the armhf one builds the hard-float library for ARMv6.
cross_packages=(g++-aarch64-linux-gnu g++-arm-linux-gnueabi g++-arm-linux-gnueabihf
    g++-i686-linux-gnu)

# The release's clang, its runtime (sanitizers, libFuzzer) and a g++ other than its default
# (C++20: 10 or later), for a build against the library with a second compiler.
release_packages() {
    local clang runtime="" gxx version
    clang=$(version_of clang)
    clang=${clang%%[.-]*}
    for runtime in "libclang-rt-$clang-dev" "libclang-common-$clang-dev"; do
        known "$runtime" && break
    done
    printf '%s\n' clang "$runtime"
    gxx=$(version_of g++)
    for ((version = ${gxx%%.*} - 1; version >= 10; version--)); do
        if known "g++-$version"; then
            echo "g++-$version"
            break
        fi
    done
    # The fuzz targets of the ARM targets link clang's runtime for them.
    printf '%s\n' "$runtime:arm64" "$runtime:armhf"
}

foreign=()
lean=()
case "$mode" in
build | test) wanted=("${build_packages[@]}") ;;
package) wanted=("${build_packages[@]}" "${package_packages[@]}") ;;
cross) wanted=("${build_packages[@]}" "${package_packages[@]}" "${cross_packages[@]}") ;;
all)
    mapfile -t release < <(release_packages)
    wanted=("${build_packages[@]}" "${package_packages[@]}" "${cross_packages[@]}"
        googletest qemu-user-static valgrind hyperfine time lintian mandoc pkgconf abigail-tools
        debootstrap "${release[@]}")
    # Installed without what they recommend (about 90 packages for devscripts), which the
    # checks do not use: hardening-check of devscripts, and diffoscope to show where two
    # packages differ.
    lean=(devscripts diffoscope-minimal)
    # The architectures of the packages that carry one (clang's runtimes of the ARM targets).
    foreign=(arm64 armhf)
    ;;
esac

# missing PACKAGE...: those of the packages that are not installed.
missing() {
    local package status
    for package in "$@"; do
        [[ -n $package ]] || continue
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

if ((${#sudo[@]} > 0)) && ! command -v sudo >/dev/null; then
    echo "install-deps: not root and no sudo; please install: ${missing[*]} ${missing_lean[*]}" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]} ${missing_lean[*]}"
added=false
for architecture in "${foreign[@]}"; do
    if ! dpkg --print-foreign-architectures | grep -qxF "$architecture"; then
        "${sudo[@]}" dpkg --add-architecture "$architecture"
        added=true
    fi
done
if [[ $updated == false || $added == true ]]; then
    update
fi
if ((${#missing[@]} > 0)); then
    "${sudo[@]}" apt-get install -y -q "${missing[@]}"
fi
if ((${#missing_lean[@]} > 0)); then
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing_lean[@]}"
fi
