#!/usr/bin/env bash
# Runs build/boardmap on a scratch copy of the sample mailbox in examples/mailbox/ and shows
# each call as it would be typed, followed by what the tool printed (and its exit status when it
# is not 0). The repository's copy of the mailbox is never changed.
#
#   bash examples/demo.sh                 uses build/boardmap
#   BOARDMAP=path/to/boardmap bash examples/demo.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
boardmap=${BOARDMAP:-$root/build/boardmap}
lookup_example=${LOOKUP_EXAMPLE:-$(dirname "$boardmap")/examples/lookup_example}
case "$boardmap" in /*) ;; *) boardmap=$PWD/$boardmap ;; esac
case "$lookup_example" in /*) ;; *) lookup_example=$PWD/$lookup_example ;; esac

if [[ ! -x "$boardmap" ]]; then
    echo "demo: $boardmap not found; build first: cmake -S . -B build && cmake --build build -j2" >&2
    exit 1
fi

mailbox=$(mktemp -d "${TMPDIR:-/tmp}/boardmap-demo.XXXXXX")
trap 'rm -rf "$mailbox"' EXIT
cp -R "$root/examples/mailbox/." "$mailbox/"
cd "$mailbox"

crashes=0
# show NAME PROGRAM ARGS...: echo the call as at a prompt, run it, show a non-zero status.
# The tool ends with 0 or 1; any other status (a signal) makes the demo fail at the end.
show() {
    local name=$1 program=$2
    shift 2
    local shown=("$name")
    local word
    for word in "$@"; do
        if [[ -z "$word" || "$word" =~ [^A-Za-z0-9_./+-] ]]; then
            shown+=("'$word'")
        else
            shown+=("$word")
        fi
    done
    echo "\$ ${shown[*]}"
    local status=0
    "$program" "$@" || status=$?
    if ((status != 0)); then
        echo "[exit status $status]"
    fi
    if ((status > 1)); then
        crashes=$((crashes + 1))
    fi
    echo
    return 0
}

echo "# Scratch copy of examples/mailbox in $mailbox; rundat.kvd makes the user a sysop."
echo
show cat cat boardmap.kvd
show boardmap "$boardmap"
show boardmap "$boardmap" dx
show boardmap "$boardmap" markt
show boardmap "$boardmap" rtty
show boardmap "$boardmap" + RTTY fernschr
show boardmap "$boardmap" + alle neu
show boardmap "$boardmap" rtty
show boardmap "$boardmap" - rtty
show boardmap "$boardmap" - nix
show ls ls

if [[ -x "$lookup_example" ]]; then
    echo "# The support module's example program, in the same mailbox:"
    echo
    show lookup_example "$lookup_example"
    show lookup_example "$lookup_example" n0call
else
    echo "# (${lookup_example#"$root/"} is not built; the support module's example is skipped.)"
fi

if ((crashes > 0)); then
    echo "demo: $crashes call(s) ended with a status other than 0 or 1" >&2
    exit 1
fi
