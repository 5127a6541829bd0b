#!/usr/bin/env bash
# The Debian packages that cpack makes from the static build and the cross builds (amd64, arm64,
# armhf, armel, i386): their contents and fields, each packaged tool static and running a search
# in the sample mailbox under qemu-user for its architecture (the 32-bit ARM one on both CPUs;
# i386 natively); lintian and mandoc -Tlint report no error and no warning (the few tags that
# are deliberate carry an override with its reason, in debian/).
source "$(dirname "$0")/../lib.sh"
enable_qemu_binfmt
multiarch_of() {
    dpkg-architecture -a"$1" -qDEB_HOST_MULTIARCH 2>/dev/null
}
for target in static arm64 armhf i386; do
    build "$target"
    rm -f "build-$target"/*.deb
    (cd "build-$target" && cpack -G DEB)
done
(cd build-armhf && cpack -G DEB -D CPACK_DEBIAN_PACKAGE_ARCHITECTURE=armel)

declare -A package_runs=([amd64]="" [arm64]="qemu-aarch64-static"
    [armhf]="qemu-arm-static -cpu arm1176;qemu-arm-static -cpu cortex-a7"
    [armel]="qemu-arm-static -cpu arm1176;qemu-arm-static -cpu cortex-a7" [i386]="")
for architecture in amd64 arm64 armhf armel i386; do
    build=${package_build[$architecture]}
    shopt -s nullglob
    found=("$build"/*_"$architecture".deb)
    shopt -u nullglob
    # armhf: the tool alone, its support library being armel code.
    wanted=2
    [[ $architecture == armhf ]] && wanted=1
    if ((${#found[@]} != wanted)); then
        echo "expected $wanted packages for $architecture in $build/, found: ${found[*]}" >&2
        exit 1
    fi
    for package in "${found[@]}"; do
        echo "--- $package"
        dpkg-deb -I "$package"
    done
    tool_package=$(printf '%s\n' "${found[@]}" | grep /boardmap_)
    expect_contents "$tool_package" ./usr/bin/boardmap ./usr/share/man/man1/boardmap.1.gz \
        ./usr/share/doc/boardmap/copyright ./usr/share/doc/boardmap/changelog.Debian.gz \
        ./usr/share/doc/boardmap/README.md ./usr/share/doc/boardmap/usage.md \
        ./usr/share/doc/boardmap/install.md
    if ((wanted == 2)); then
        lib=./usr/lib/$(multiarch_of "$architecture")
        dev_package=$(printf '%s\n' "${found[@]}" | grep /libboardmap-support-dev_)
        expect_contents "$dev_package" ./usr/include/boardmap/support.h \
            ./usr/include/boardmap/support/text.hpp ./usr/include/boardmap/support/run_data.hpp \
            ./usr/include/boardmap/support/mailbox.hpp "$lib"/libboardmap-support.a \
            "$lib"/pkgconfig/boardmap-support.pc "$lib"/cmake/boardmap/boardmap-config.cmake \
            ./usr/share/doc/libboardmap-support-dev/copyright \
            ./usr/share/doc/libboardmap-support-dev/changelog.Debian.gz \
            ./usr/share/doc/libboardmap-support-dev/library.md
        # The field that cpack cannot write itself, from debian/control.
        if [[ $(dpkg-deb -f "$dev_package" Multi-Arch) != same ]]; then
            echo "$dev_package lacks Multi-Arch: same" >&2
            exit 1
        fi
    fi
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
mandoc -Tlint doc/boardmap.1
echo "mandoc -Tlint doc/boardmap.1: clean"
