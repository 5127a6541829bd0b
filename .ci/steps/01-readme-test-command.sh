#!/usr/bin/env bash
# The README's test command as it stands there (GCC, build/).
source "$(dirname "$0")/../lib.sh"
command=$(awk '/^Run every test/ { found = 1 }
    found && /^```sh$/ { getline; print; exit }' README.md)
if [[ -z $command ]]; then
    echo "the README has no test command" >&2
    exit 1
fi
echo "$command"
bash -c "$command"
