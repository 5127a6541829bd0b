#!/usr/bin/env bash
# The fully static tool, a release build with tests and warnings as errors, and its tests run
# against it (build-static/).
source "$(dirname "$0")/../lib.sh"
build static
expect_static build-static/boardmap
ctest --preset static
