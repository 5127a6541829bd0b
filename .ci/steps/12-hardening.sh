#!/usr/bin/env bash
# hardening-check on every shipped binary and shared library: no failure but those impossible for
# its target (the install guide names them), and on the objects the tools are linked from, which must show the
# stack protector and the checked calls.
source "$(dirname "$0")/../lib.sh"
if [[ ! -x build-armhf/packaged-boardmap-armel || ! -f build-armhf-library/packaged-library ]]; then
    bash .ci/steps/11-packages.sh
fi
# Failures that are impossible for a target, and why:
# - a static PIE: hardening-check looks for __stack_chk_fail among the symbols left to the
#   dynamic loader, and a static program has none (the objects it is linked from show the stack
#   protector below);
# - 32-bit ARM: Debian ships no start file for a static PIE there (rcrt1.o), so the tool is a
#   static program at a fixed address: no PIE, and no dynamic section to mark for immediate
#   binding (every symbol is bound when it is linked);
# - control flow integrity is the mark of x86's CET, which Debian 12's C library lacks (so no
#   program linked with it has it), and which no ARM program has.
declare -A skipped_checks=([amd64]="--nostackprotector --nocfprotection"
    [arm64]="--nostackprotector --nocfprotection" [i386]="--nostackprotector --nocfprotection"
    [armhf]="--nopie --nobindnow --nocfprotection" [armel]="--nopie --nobindnow --nocfprotection")
for architecture in amd64 arm64 armhf armel i386; do
    tool=${package_build[$architecture]}/packaged-boardmap-$architecture
    # Every target whose toolchain can makes a static PIE.
    if [[ ${skipped_checks[$architecture]} != *--nopie* ]] && ! file "$tool" | grep -q 'static-pie linked'; then
        echo "$tool is no static PIE" >&2
        exit 1
    fi
    echo "--- $architecture: hardening-check ${skipped_checks[$architecture]}"
    # Its objdump disassembles this machine's code only: the x86 check of stack clash
    # protection reads "unknown" on ARM and says why on standard error.
    hardening-check ${skipped_checks[$architecture]} "$tool" 2>/dev/null
done
# The shared libraries, as libboardmap-support1 ships them: every check but control flow
# integrity (above) passes.
shipped=$(mktemp -d)
trap 'rm -rf "$shipped"' EXIT
for package in $(built_packages); do
    if [[ $package == */libboardmap-support* ]]; then
        dpkg-deb -x "$package" "$shipped/$(basename "$package" .deb)"
    fi
done
for library in "$shipped"/*/usr/lib/*/libboardmap-support.so.*.*.*; do
    echo "--- hardening-check --nocfprotection ${library#"$shipped"/}"
    hardening-check --nocfprotection "$library" 2>/dev/null
done
# The objects the tools are linked from show what a static binary cannot: the tool's own table
# code, from the build trees, and the support module, as libboardmap-support-dev ships it.
for archive in build-{static,arm64,armhf,i386}/libboardmap_table.a \
    "$shipped"/*/usr/lib/*/libboardmap-support.a; do
    report=$(hardening-check --nocfprotection "$archive" 2>/dev/null)
    echo "${report/#$shipped\//}"
    if ! grep -q 'Stack protected: yes' <<<"$report" ||
        ! grep -q 'Fortify Source functions: yes' <<<"$report"; then
        echo "$archive lacks the stack protector or the checked calls" >&2
        exit 1
    fi
done
