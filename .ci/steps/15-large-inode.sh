#!/usr/bin/env bash
# The static i386 tool (build-i386/) under qemu on a mailbox whose inode numbers pass 32 bits.
source "$(dirname "$0")/../lib.sh"
build i386
bash tests/large_inode.sh build-i386/boardmap qemu-i386-static
