#!/usr/bin/env bash
# The support library for 32-bit PCs (preset i386) in a program built without large-file or
# 64-bit time flags (its own off_t and time_t are 32 bits), through pkg-config: the C interface
# test passes and the lookup example prints what it prints on this machine, in the sample
# mailbox and, where this machine may mount (root), in a copy whose inode numbers pass 32 bits
# (an overlay over a tmpfs, as tests/large_inode.sh makes for the tool), where a library built
# without large-file support inside fails every lookup.
#
#   bash .ci/steps/09-library-i386.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source .ci/library.sh

cmake --preset i386 >/dev/null
cmake --build build-i386 --target support support_archive -j2 >/dev/null
work=$(mktemp -d)
cleanup() {
    umount "$work/merged" 2>/dev/null || true
    umount "$work/lower" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
install_library build-i386 "$work/prefix"
libdir=$work/prefix/lib/i386-linux-gnu

expected=$(expected_lookups)
build_32bit_programs i686-linux-gnu-gcc "$libdir" "$work/i386"
runner=(/usr/i686-linux-gnu/lib/ld-linux.so.2 --library-path "/usr/i686-linux-gnu/lib:$libdir")
expect_programs "$work/i386" "${runner[@]}"

mkdir "$work"/{lower,upper,work,merged}
if ((EUID != 0)) || ! mount -t tmpfs tmpfs "$work/lower" 2>/dev/null; then
    echo "SKIPPED: the mailbox with inode numbers past 32 bits; this machine does not let us mount"
    exit "$library_failed"
fi
cp -R examples/mailbox "$work/lower/mailbox"
mount -t overlay overlay \
    -o "lowerdir=$work/lower,upperdir=$work/upper,workdir=$work/work,xino=on" "$work/merged"
inode=$(stat -c %i "$work/merged/mailbox/init.kvd")
echo "--- in a copy of the sample mailbox whose init.kvd has inode number $inode"
if ((${#inode} <= 10)); then
    fail "the overlay gives no inode numbers past 32 bits here ($inode)"
fi
if (cd "$work/merged/mailbox" && "${runner[@]}" "$work/i386/c_interface_test"); then
    echo "the C interface test passes"
else
    fail "the C interface test on inode numbers past 32 bits"
fi
exit "$library_failed"
