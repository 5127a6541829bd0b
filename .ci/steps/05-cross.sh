#!/usr/bin/env bash
# The static tool and its tests, warnings as errors, for arm64, 32-bit ARM (armel code, for
# armhf and armel) and i386 (build-arm64/, build-armhf/, build-i386/), with Debian's cross
# compilers; the tests run under qemu-user (i386 natively), the 32-bit ARM ones on a Cortex-A7
# (Raspberry Pi 2). An architecture this machine cannot run is skipped with a line that says so.
# The sweep of a failure at every system call runs on 32-bit ARM and i386, whose 32-bit builds
# differ most from this machine's; arm64's, a 64-bit build like this one, would repeat this
# machine's under qemu-user (where strace sees the emulator's calls) at three minutes of the run.
source "$(dirname "$0")/../lib.sh"
enable_qemu_binfmt
for target in arm64 armhf i386; do
    echo "---- $target"
    started=$SECONDS
    build "$target"
    expect_static "build-$target/boardmap"
    if runs_here "build-$target/boardmap"; then
        excluded=()
        [[ $target != arm64 ]] || excluded=(-E '^EveryCall/SystemCallFault\.')
        ctest --preset "$target" "${excluded[@]}"
    elif [[ $target == i386 ]]; then
        echo "SKIPPED: the i386 tests; this machine's kernel does not run 32-bit x86 programs"
    else
        echo "SKIPPED: the $target tests; this machine has no enabled qemu-user entry for $target in binfmt_misc"
    fi
    echo "---- $target: $((SECONDS - started)) s"
done
