#!/usr/bin/env bash
# A 32-bit build of the tool in a mailbox directory whose inode numbers pass 32 bits (as on XFS
# volumes over about 1-2 TB, or NFS): without large-file support every fstat there fails with
# EOVERFLOW, and every search, add and delete with it. Needs root, to mount: an overlay whose
# lower layer is a tmpfs gives the files from that layer inode numbers of 64 bits. Skipped
# where mounting is refused (an unprivileged container).
#
# Usage: bash tests/large_inode.sh BOARDMAP [EMULATOR]
#   e.g. bash tests/large_inode.sh build-i386/boardmap qemu-i386-static
set -euo pipefail

tool=$(realpath "$1")
emulator=${2:-}
if (($(id -u) != 0)); then
    echo "large_inode: needs root, to mount an overlay" >&2
    exit 1
fi

work=$(mktemp -d)
cleanup() {
    umount "$work/merged" 2>/dev/null || true
    umount "$work/lower" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work"/{lower,upper,work,merged}
# The static_assert in support/reader.hpp still holds the build to large-file support.
if ! mount -t tmpfs tmpfs "$work/lower"; then
    echo "large_inode: SKIPPED: mounting is not permitted here" >&2
    exit 0
fi
mkdir "$work/lower/mailbox"
printf 'call DL1ABC\nsysop 1\n' >"$work/lower/mailbox/rundat.kvd"
printf 'alle      allgem  \ndx        dxnews  \n' >"$work/lower/mailbox/boardmap.kvd"
mount -t overlay overlay \
    -o "lowerdir=$work/lower,upperdir=$work/upper,workdir=$work/work,xino=on" "$work/merged"
mailbox=$work/merged/mailbox

# The run data stays in the lower layer; the table does until the first change copies it up.
inode=$(stat -c %i "$mailbox/rundat.kvd")
if ((${#inode} <= 10)); then
    echo "large_inode: the overlay gives no inode numbers past 32 bits here ($inode)" >&2
    exit 1
fi
echo "large_inode: rundat.kvd has inode number $inode"

failed=0
# expect WANTED WORDS...: runs the tool in the mailbox and compares its output and status.
expect() {
    local wanted=$1 got
    shift
    got=$(cd "$mailbox" && $emulator "$tool" "$@" && echo "status 0" || echo "status $?")
    if [[ $got != "$wanted" ]]; then
        printf 'large_inode: boardmap %s:\n%s\nwanted:\n%s\n' "$*" "$got" "$wanted" >&2
        failed=1
    fi
}
expect $'OLDBOARD  NEWBOARD\n\ndx        dxnews  \nstatus 0' dx
expect $'3 entries written.\nstatus 0' + b c
expect $'Entry "alle      allgem  " deleted!\n2 entries written.\nstatus 0' - alle
expect $'OLDBOARD  NEWBOARD\n\nb         c       \ndx        dxnews  \nstatus 0' ''
((failed == 0)) && echo "large_inode: passed"
exit "$failed"
