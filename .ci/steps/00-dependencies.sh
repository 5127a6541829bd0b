#!/usr/bin/env bash
# Installs everything the steps use (scripts/install-deps.sh all).
source "$(dirname "$0")/../lib.sh"
bash scripts/install-deps.sh all
