#!/usr/bin/env bash
# The fuzz targets built for arm64, armhf and i386 (build-fuzz-*/): built, not run.
source "$(dirname "$0")/../lib.sh"
for target in arm64 armhf i386; do
    build "fuzz-$target"
    file "build-fuzz-$target"/fuzz/*_fuzz
done
