#!/usr/bin/env bash
# The load test: concurrent writers and readers of one table.
source "$(dirname "$0")/../lib.sh"
build default
bash tests/stress.sh 60 build/boardmap
