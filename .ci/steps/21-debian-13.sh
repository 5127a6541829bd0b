#!/usr/bin/env bash
# Debian 13 (trixie: CMake 3.31, g++ 14), fresh: the README's test command, the Debian packages
# with their tests, installed, lintian and the autopkgtest (.ci/debian-release.sh).
source "$(dirname "$0")/../lib.sh"
bash .ci/debian-release.sh trixie
