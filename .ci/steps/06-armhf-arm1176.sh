#!/usr/bin/env bash
# The 32-bit ARM tests on an ARM1176 (ARMv6: Raspberry Pi Zero and 1) (build-armhf/). QEMU_CPU
# reaches qemu-user for the test programs and, through binfmt_misc, the tool.
source "$(dirname "$0")/../lib.sh"
enable_qemu_binfmt
build armhf
if ! runs_here build-armhf/boardmap; then
    echo "SKIPPED: the ARM1176 tests; this machine has no enabled qemu-user entry for arm in binfmt_misc"
    exit 0
fi
# The emulated CPU is an ARMv6 indeed: Debian's armhf start-up code (ARMv7) dies on it.
armv7_program=build-armhf/armv7-start-up
arm-linux-gnueabihf-gcc -static -x c -o "$armv7_program" - <<<'int main(void) { return 0; }'
if { (ulimit -c 0 && QEMU_CPU=arm1176 exec "$armv7_program"); } 2>/dev/null; then
    echo "QEMU_CPU=arm1176 runs ARMv7 code: the tests would not run on an ARMv6" >&2
    exit 1
fi
echo "QEMU_CPU=arm1176: ARMv7 start-up code refused, as on a Pi Zero"
# The sweep of a failure at every system call runs the same program's same calls as on the
# Cortex-A7 in 05-cross.sh: the CPU makes no difference to it.
ctest --preset armhf-arm1176 -E '^EveryCall/SystemCallFault\.'
