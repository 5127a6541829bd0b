#!/usr/bin/env bash
# bash .ci/debian-base.sh RELEASE: a fresh minimal Debian of the release (debootstrap
# --variant=minbase, amd64, deb.debian.org) as a tarball, build-ci/debian/RELEASE.tar, made once
# and then unpacked by every step that needs one (.ci/debian-release.sh).
set -euo pipefail

release=$1
base=build-ci/debian/$release.tar
if [[ -s $base ]]; then
    echo "$base: made earlier in this run"
    exit 0
fi
mkdir -p build-ci/debian
tree=$(mktemp -d "$PWD/build-ci/debian/$release.XXXXXX")
trap 'rm -rf "$tree"' EXIT
# The system's / as a system has it: the tests run the tool as other users, who must reach it.
chmod 0755 "$tree"
if ! debootstrap --variant=minbase "$release" "$tree" http://deb.debian.org/debian \
    >"$tree.log" 2>&1; then
    tail -n 30 "$tree.log" >&2
    echo "debootstrap of $release failed (whole log: $tree.log)" >&2
    exit 1
fi
rm -f "$tree.log"
tar -C "$tree" -cf "$base.part" .
mv "$base.part" "$base"
echo "$base: $(du -h "$base" | cut -f1), Debian $(cat "$tree/etc/debian_version")"
