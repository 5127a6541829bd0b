#!/usr/bin/env bash
# The support library for 32-bit ARM with hardware floating point, as the armhf packages hold it
# (preset armhf-library): hard-float ARMv6 code, which every Raspberry Pi runs.
# - readelf -A: Tag_CPU_arch v6, Tag_ABI_VFP_args VFP registers, no Thumb-2; the library holds
#   ARM code alone (no Thumb mapping symbol);
# - a program built as Debian builds armhf programs (arm-linux-gnueabihf-gcc, ARMv7), without
#   large-file or 64-bit time flags (its own off_t and time_t are 32 bits), links it through
#   pkg-config and runs the lookups right under qemu-user on a Cortex-A7 (Raspberry Pi 2): the C
#   interface test passes and the lookup example prints what it prints on this machine;
# - the same on an ARM1176 (ARMv6: Pi Zero, Pi 1), which refuses ARMv7 code. Debian's armhf C
#   library and loader are ARMv7 code, which the ARM1176 cannot start, so there the library is
#   loaded by Debian's armel loader beside armel's C library (ARMv5TE code), with programs built
#   by the armel compiler. The library takes and hands over no floating-point value, so the two
#   calling conventions pass the same registers; only a copy of it is marked for the armel
#   loader: the soft-float flag in its ELF header, and armel's loader for armhf's in the list of
#   what it needs. Its code is the packaged library's, byte for byte.
#
#   bash .ci/steps/10-library-armhf.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source .ci/library.sh

cmake --preset armhf-library >/dev/null
cmake --build --preset armhf-library -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
install_library build-armhf-library "$work/prefix"
libdir=$work/prefix/lib/arm-linux-gnueabihf
library=$(find "$libdir" -name 'libboardmap-support.so.*.*.*')

echo "--- readelf -A ${library#"$work"/prefix/}"
attributes=$(arm-linux-gnueabihf-readelf -A "$library")
echo "$attributes"
grep -qx '  Tag_CPU_arch: v6' <<<"$attributes" || fail "the library is no ARMv6 code"
grep -qx '  Tag_ABI_VFP_args: VFP registers' <<<"$attributes" ||
    fail "the library takes no floating-point arguments in VFP registers (no armhf)"
if grep -q 'Thumb-2' <<<"$attributes"; then
    fail "the library holds Thumb-2 code, which ARMv6 lacks"
fi
# The mapping symbols of the unstripped build: $a before ARM code, $t before Thumb code.
if arm-linux-gnueabihf-readelf -s build-armhf-library/libboardmap-support.so | grep -E ' \$t(\.|$)'; then
    fail "the library holds Thumb code"
fi

expected=$(expected_lookups)
build_32bit_programs arm-linux-gnueabihf-gcc "$libdir" "$work/armhf"
mkdir "$work/armel"
expect_programs "$work/armhf" qemu-arm-static -cpu cortex-a7 \
    /usr/arm-linux-gnueabihf/lib/ld-linux-armhf.so.3 --library-path "/usr/arm-linux-gnueabihf/lib:$libdir"

armv6=(qemu-arm-static -cpu arm1176)
if { (cd examples/mailbox && ulimit -c 0 && exec "${armv6[@]}" /usr/arm-linux-gnueabihf/lib/ld-linux-armhf.so.3 \
    --library-path "/usr/arm-linux-gnueabihf/lib:$libdir" "$work/armhf/c_interface_test"); } >/dev/null 2>&1; then
    fail "qemu-user's ARM1176 runs ARMv7 code: it is no ARMv6"
else
    echo "qemu-user's ARM1176 refuses Debian's armhf (ARMv7) loader, as an ARMv6 does"
fi
copy=$work/armel/libboardmap-support.so.1
cp "$library" "$copy"
# e_flags, bytes 36 to 39: EF_ARM_ABI_FLOAT_SOFT (0x200) in place of EF_ARM_ABI_FLOAT_HARD (0x400).
printf '\x02' | dd of="$copy" bs=1 seek=37 conv=notrunc status=none
perl -0777 -pi -e 's/ld-linux-armhf\.so\.3\0/ld-linux.so.3\0\0\0\0\0\0\0/' "$copy"
echo "the copy for armel's loader differs from the library in $(cmp -l "$library" "$copy" | wc -l) bytes: the ELF header's float flag and the loader's name"
arm-linux-gnueabi-readelf -h -d "$copy" | grep -E 'Flags|NEEDED' 
arm-linux-gnueabi-gcc "${program_warnings[@]}" -I"$work/prefix/include" -o "$work/armel/c_interface_test" \
    support/c_interface_test.c "$copy"
arm-linux-gnueabi-gcc "${program_warnings[@]}" -I"$work/prefix/include" -o "$work/armel/lookup" \
    examples/lookup.c "$copy"
expect_programs "$work/armel" "${armv6[@]}" /usr/arm-linux-gnueabi/lib/ld-linux.so.3 \
    --library-path "/usr/arm-linux-gnueabi/lib:$work/armel"
exit "$library_failed"
