#!/usr/bin/env bash
# Debian 11 (bullseye: CMake 3.18, g++ 10), fresh: the README's test command, the Debian
# packages with their tests, installed, lintian and the autopkgtest (.ci/debian-release.sh).
source "$(dirname "$0")/../lib.sh"
bash .ci/debian-release.sh bullseye
