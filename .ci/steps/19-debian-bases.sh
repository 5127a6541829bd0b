#!/usr/bin/env bash
# Fresh minimal Debian 11 and 13 trees (debootstrap --variant=minbase), kept as tarballs under
# build-ci/debian/ for the steps that follow.
source "$(dirname "$0")/../lib.sh"
for release in bullseye trixie; do
    bash .ci/debian-base.sh "$release"
done
