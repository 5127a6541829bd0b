#!/usr/bin/env bash
# The Debian packages that cpack makes from the static build and the cross builds (amd64, arm64,
# armhf, armel, i386), three for each (the tool, the support library and its development files):
# their contents and fields, the armhf library hard-float ARMv6 code, each packaged tool static
# and running a search in the sample mailbox under qemu-user for its architecture (the 32-bit ARM
# one on both CPUs; i386 natively); lintian and mandoc -Tlint report no error and no warning (the few tags that
# are deliberate carry an override with its reason, in debian/).
source "$(dirname "$0")/../lib.sh"
enable_qemu_binfmt
multiarch_of() {
    dpkg-architecture -a"$1" -qDEB_HOST_MULTIARCH 2>/dev/null
}
for target in static arm64 armhf armhf-library i386; do
    build "$target"
    rm -f "build-$target"/*.deb
    (cd "build-$target" && cpack -G DEB)
done
(cd build-armhf && cpack -G DEB -D CPACK_DEBIAN_PACKAGE_ARCHITECTURE=armel)

# package_file DIR NAME ARCHITECTURE: the one package of that name and architecture in DIR.
package_file() {
    local found
    shopt -s nullglob
    found=("$1/$2"_*_"$3".deb)
    shopt -u nullglob
    if ((${#found[@]} != 1)); then
        echo "expected one $2 package for $3 in $1/, found: ${found[*]}" >&2
        exit 1
    fi
    echo "${found[0]}"
}
# expect_field PACKAGE FIELD PATTERN: the package's control field matches the pattern.
expect_field() {
    local value
    value=$(dpkg-deb -f "$1" "$2")
    # shellcheck disable=SC2053
    if [[ $value != $3 ]]; then
        echo "$1: $2 is \"$value\", wanted $3" >&2
        exit 1
    fi
}
# expect_library_packages DIR ARCHITECTURE: the support library's two packages in DIR, with
# what each must hold and the fields each needs (those cpack cannot write itself come from
# debian/control).
expect_library_packages() {
    local lib runtime dev package
    lib=./usr/lib/$(multiarch_of "$2")
    runtime=$(package_file "$1" libboardmap-support1 "$2")
    dev=$(package_file "$1" libboardmap-support-dev "$2")
    for package in "$runtime" "$dev"; do
        echo "--- $package"
        dpkg-deb -I "$package"
    done
    expect_contents "$runtime" "$lib"/libboardmap-support.so.1 \
        "$lib/$(dpkg-deb -c "$runtime" | grep -o 'libboardmap-support\.so\.1\.[0-9]*\.[0-9]*$' | head -n 1)" \
        ./usr/share/doc/libboardmap-support1/copyright \
        ./usr/share/doc/libboardmap-support1/changelog.Debian.gz
    expect_field "$runtime" Multi-Arch same
    expect_field "$runtime" Section libs
    expect_field "$runtime" Depends 'libc6 (>= 2.*)'
    if [[ $(dpkg-deb -I "$runtime" shlibs) != "libboardmap-support 1 libboardmap-support1 (>= "* ]] ||
        [[ $(dpkg-deb -I "$runtime" triggers) != "activate-noawait ldconfig" ]]; then
        echo "$runtime lacks its shlibs or its ldconfig trigger" >&2
        exit 1
    fi
    expect_contents "$dev" ./usr/include/boardmap/support.h \
        ./usr/include/boardmap/support/text.hpp ./usr/include/boardmap/support/run_data.hpp \
        ./usr/include/boardmap/support/mailbox.hpp ./usr/include/boardmap/support/cxx20.hpp \
        "$lib"/libboardmap-support.so "$lib"/libboardmap-support.a \
        "$lib"/pkgconfig/boardmap-support.pc "$lib"/cmake/boardmap/boardmap-config.cmake \
        ./usr/share/man/man3/libboardmap-support.3.gz ./usr/share/man/man3/bms_list_line.3.gz \
        ./usr/share/doc/libboardmap-support-dev/copyright \
        ./usr/share/doc/libboardmap-support-dev/changelog.Debian.gz \
        ./usr/share/doc/libboardmap-support-dev/library.md
    expect_field "$dev" Multi-Arch same
    expect_field "$dev" Depends "libboardmap-support1 (= $(dpkg-deb -f "$runtime" Version))"
}

declare -A package_runs=([amd64]="" [arm64]="qemu-aarch64-static"
    [armhf]="qemu-arm-static -cpu arm1176;qemu-arm-static -cpu cortex-a7"
    [armel]="qemu-arm-static -cpu arm1176;qemu-arm-static -cpu cortex-a7" [i386]="")
for architecture in amd64 arm64 armhf armel i386; do
    build=${package_build[$architecture]}
    shopt -s nullglob
    found=("$build"/*_"$architecture".deb "${library_build[$architecture]}"/*_"$architecture".deb)
    shopt -u nullglob
    if (($(printf '%s\n' "${found[@]}" | sort -u | wc -l) != 3)); then
        echo "expected 3 packages for $architecture, found: ${found[*]}" >&2
        exit 1
    fi
    tool_package=$(package_file "$build" boardmap "$architecture")
    echo "--- $tool_package"
    dpkg-deb -I "$tool_package"
    expect_contents "$tool_package" ./usr/bin/boardmap ./usr/share/man/man1/boardmap.1.gz \
        ./usr/share/doc/boardmap/copyright ./usr/share/doc/boardmap/changelog.Debian.gz \
        ./usr/share/doc/boardmap/README.md ./usr/share/doc/boardmap/usage.md \
        ./usr/share/doc/boardmap/install.md
    expect_library_packages "${library_build[$architecture]}" "$architecture"
    tool=$build/packaged-boardmap-$architecture
    dpkg-deb --fsys-tarfile "$tool_package" | tar -xO ./usr/bin/boardmap >"$tool"
    chmod 755 "$tool"
    expect_static "$tool"
    IFS=';' read -r -a emulators <<<"${package_runs[$architecture]}"
    ((${#emulators[@]} > 0)) || emulators=("")
    for emulator in "${emulators[@]}"; do
        if runs_here "$tool" $emulator; then
            expect_search "$tool" $emulator
        else
            echo "SKIPPED: the packaged $architecture tool; this machine does not run it${emulator:+ under $emulator}"
        fi
    done
done
# The armhf library's code is the hard-float ARMv6 of build-armhf-library/.
armhf_runtime=$(package_file build-armhf-library libboardmap-support1 armhf)
armhf_library=$(dpkg-deb -c "$armhf_runtime" | grep -o '\./usr/lib/.*/libboardmap-support\.so\.1\.[0-9.]*$')
dpkg-deb --fsys-tarfile "$armhf_runtime" | tar -xO "$armhf_library" >build-armhf-library/packaged-library
echo "--- readelf -A $armhf_library of the armhf package"
arm-linux-gnueabihf-readelf -A build-armhf-library/packaged-library | tee build-armhf-library/packaged-attributes
if ! grep -qx '  Tag_CPU_arch: v6' build-armhf-library/packaged-attributes ||
    ! grep -qx '  Tag_ABI_VFP_args: VFP registers' build-armhf-library/packaged-attributes; then
    echo "the armhf package's library is no hard-float ARMv6 code" >&2
    exit 1
fi

echo "--- lintian and mandoc: no error, no warning"
mapfile -t packages < <(built_packages)
# lintian advises against running as root; it only reads the packages.
as_reader=()
if ((EUID == 0)); then
    as_reader=(setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env)
fi
"${as_reader[@]}" lintian --fail-on error,warning --display-info "${packages[@]}"
echo "lintian: no error, no warning; overridden on purpose:"
"${as_reader[@]}" lintian --fail-on none --show-overrides "${packages[@]}" | sed -n 's/^O: /  /p'
mandoc -Tlint doc/boardmap.1 doc/libboardmap-support.3
echo "mandoc -Tlint doc/boardmap.1 doc/libboardmap-support.3: clean"
