#!/usr/bin/env bash
# bash .ci/debian-release.sh RELEASE: what a sysop does on a fresh minimal Debian of the release,
# as root in a chroot of .ci/debian-base.sh's tarball, with the machine's /proc, /sys and /dev
# as a build machine has them: installs git, clones this repository (its last commit), runs the
# README's test command, builds the Debian packages with their tests, installs them, and runs
# lintian and the autopkgtest (.ci/debian-inside.sh). The mounts live in a mount namespace of
# this script's own, so they go with it however it ends; so does the tree.
set -euo pipefail

release=$1
bash .ci/debian-base.sh "$release"
root=$(mktemp -d "$PWD/build-ci/debian/$release-root.XXXXXX")
trap 'rm -rf --one-file-system "$root"' EXIT
tar -C "$root" -xf "build-ci/debian/$release.tar"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q --bare . "$root/srv/boardmap.git"
cp .ci/debian-inside.sh "$root/srv/inside.sh"

unshare --mount --propagation private -- bash -euo pipefail -c '
    root=$1
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs tmpfs "$root/tmp"
    exec chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 bash /srv/inside.sh
' inside "$root"
