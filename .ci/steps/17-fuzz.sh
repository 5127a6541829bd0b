#!/usr/bin/env bash
# The fuzz targets, each for a bounded time on a copy of its corpus (build-fuzz/).
source "$(dirname "$0")/../lib.sh"
bash fuzz/run.sh 60
