#!/usr/bin/env bash
# The shared library's interface, held against the one recorded in abi/ for its version: any
# change fails, unless it comes with a new version whose interface is recorded beside the old.
#
#   bash .ci/steps/08-library-abi.sh [BUILD-DIR]     check (default: build/, preset default)
#   bash .ci/steps/08-library-abi.sh --record        record the interface of a new version
#
# The version is the library's own (support_library_version in cmake/support-library.cmake),
# which names the shared library's file: libboardmap-support.so.MAJOR.MINOR.PATCH, and the
# recorded interface: abi/libboardmap-support.so.MAJOR.MINOR.PATCH.abi (libabigail's abidw).
# - The build must have exactly the interface recorded for its version.
# - It must keep every earlier interface of its major number (its SONAME): routines may be added
#   under a new minor number, but none may go or change. Anything else takes a new major number.
# The build needs debug information (the preset default's RelWithDebInfo has it).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

record=false
if [[ ${1:-} == --record ]]; then
    record=true
    shift
fi
build=${1:-build}
# Configured again, so that a build directory of an earlier commit knows today's targets.
if [[ $build == build ]]; then
    cmake --preset default >/dev/null
fi
cmake --build "$build" --target support -j2 >/dev/null

# The file that the build's link names (an earlier version's file may still lie beside it).
library=$(realpath --relative-to=. "$build/libboardmap-support.so")
if [[ ! $library =~ \.so\.[0-9]+\.[0-9]+\.[0-9]+$ ]]; then
    echo "library-abi: $library is named for no version MAJOR.MINOR.PATCH" >&2
    exit 1
fi
version=${library##*.so.}
major=${version%%.*}
baseline=abi/libboardmap-support.so.$version.abi
echo "library-abi: $library, SONAME $(readelf -d "$library" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')"

# The interface as abidw sees it, without what depends on the build machine: the source
# directory's path, the library's path and the source locations.
interface() {
    abidw --no-show-locs --no-corpus-path --no-comp-dir-path --type-id-style hash \
        --exported-interfaces-only "$library" | sed "s#path='$PWD/#path='#"
}

if $record; then
    if [[ -e $baseline ]]; then
        echo "library-abi: $baseline is recorded already; a changed interface needs a new version" >&2
        exit 1
    fi
    interface >"$baseline"
    echo "library-abi: recorded $baseline"
    exit 0
fi

if [[ ! -e $baseline ]]; then
    echo "library-abi: FAILED: no interface recorded for version $version ($baseline)." >&2
    echo "A new version records its interface with: bash .ci/steps/08-library-abi.sh --record" >&2
    exit 1
fi
failed=0
current=$(mktemp)
trap 'rm -f "$current"' EXIT
interface >"$current"
echo "--- abidiff $baseline $library"
if abidiff "$baseline" "$current"; then
    echo "library-abi: the same interface as recorded for $version"
else
    echo "library-abi: FAILED: the interface differs from the one recorded for $version (abidiff status $?)" >&2
    failed=1
fi
# Earlier versions of the same SONAME: programs built against them must still run.
for earlier in abi/libboardmap-support.so."$major".*.abi; do
    [[ $earlier == "$baseline" ]] && continue
    earlier_version=${earlier#abi/libboardmap-support.so.}
    earlier_version=${earlier_version%.abi}
    echo "--- abidiff --no-added-syms $earlier $library"
    if abidiff --no-added-syms "$earlier" "$current"; then
        echo "library-abi: keeps the interface of $earlier_version"
    else
        echo "library-abi: FAILED: programs built against $earlier_version would not run with $version; a change like this needs a new major number" >&2
        failed=1
    fi
done
exit "$failed"
