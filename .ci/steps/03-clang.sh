#!/usr/bin/env bash
# clang, warnings as errors, and its tests (build-clang/).
source "$(dirname "$0")/../lib.sh"
build clang
ctest --preset clang
