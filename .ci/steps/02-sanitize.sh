#!/usr/bin/env bash
# Every test under AddressSanitizer + UBSan (build-sanitize/).
source "$(dirname "$0")/../lib.sh"
build sanitize
ctest --preset sanitize
