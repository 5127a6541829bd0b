#!/usr/bin/env bash
# bash .ci/debian-release.sh RELEASE: what a sysop does on a fresh minimal Debian of the release,
# as root in a chroot of .ci/debian-base.sh's tarball, with /proc, /sys, /tmp and /dev mounted
# as on a build machine (a /dev of its own, so that nothing done in the chroot reaches this
# machine's devices): installs git, clones this repository (its last commit), runs the README's
# test command, builds the Debian packages with their tests, installs them, and runs lintian and
# the autopkgtest (.ci/debian-inside.sh). The mounts live in a mount namespace of
# this script's own, so they go with it however it ends; so does the tree.
set -euo pipefail

release=$1
bash .ci/debian-base.sh "$release"
root=$(mktemp -d "$PWD/build-ci/debian/$release-root.XXXXXX")
trap 'rm -rf --one-file-system "$root"' EXIT
tar -C "$root" -xf "build-ci/debian/$release.tar"
chmod 0755 "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q --bare . "$root/srv/boardmap.git"
cp .ci/debian-inside.sh "$root/srv/inside.sh"

unshare --mount --propagation private -- bash -euo pipefail -c '
    root=$1
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount -t tmpfs tmpfs "$root/tmp"
    # The usual devices, in a /dev of the chroot alone.
    mount -t tmpfs -o mode=0755 tmpfs "$root/dev"
    for device in null:1:3 zero:1:5 full:1:7 random:1:8 urandom:1:9 tty:5:0; do
        IFS=: read -r name major minor <<<"$device"
        mknod -m 0666 "$root/dev/$name" c "$major" "$minor"
    done
    mkdir "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
    mount -t tmpfs tmpfs "$root/dev/shm"
    ln -s pts/ptmx "$root/dev/ptmx"
    ln -s /proc/self/fd "$root/dev/fd"
    ln -s /proc/self/fd/0 "$root/dev/stdin"
    ln -s /proc/self/fd/1 "$root/dev/stdout"
    ln -s /proc/self/fd/2 "$root/dev/stderr"
    exec chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 bash /srv/inside.sh
' inside "$root"
