#!/usr/bin/env bash
# Benchmark of boardmap against the plain tools that do the same amount of file work.
#
#   bash bench/run.sh              builds the release preset (build-release/, the static tool)
#                                  and measures it
#   BOARDMAP=path bash bench/run.sh    measures that binary instead, without building
#   RUNS=50 bash bench/run.sh          timed runs per command (default 200 per search, 100 per
#                                      change), spread over ROUNDS rounds (default 5)
#
# For tables of 1, 100 and 999 lines, made in a temporary mailbox directory:
#   search  `boardmap x`             against  `grep -iF x boardmap.kvd`
#   add     `boardmap + b499z new`   against  `cp` of the table + `sync -f` on the copy
#   delete  `boardmap - <name>`      against  the same cp + sync -f
# Wall times are hyperfine medians (the table is restored before every add and delete run with
# --prepare); the baseline of a change is the median of `cp` plus the median of `sync -f` on a
# freshly copied file, measured in the same run. The commands and their baselines are measured
# in turns over several rounds, and each figure is the median of the rounds' medians. Heap
# allocations per run come from valgrind's memcheck ("total heap usage"), which cannot see malloc
# in a static binary: they are counted on the same sources linked dynamically
# (build-release-dynamic/; with BOARDMAP, on that binary if it is dynamic). Peak memory comes
# from /usr/bin/time -f %M, instructions from callgrind (total Ir). A 999-line table is full, so
# its add runs on 998 lines (and makes 999).
#
# Start-up: a search of the 999-line table against an empty static C program (`int main`
# built -static -O2, the least a process can cost), the same program as a static PIE (what the
# tool is on amd64: the price of address randomisation) and /bin/true, START_RUNS runs each
# (default 2000) in strict turns, one run of each after the other; the search may cost at most
# 1.15 times the empty (non-PIE) program.
#
# Needs hyperfine, valgrind, time and a C compiler: bash scripts/install-deps.sh all
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
search_runs=${RUNS:-200}
change_runs=${RUNS:-100}
rounds=${ROUNDS:-5}
start_runs=${START_RUNS:-2000}

for tool in hyperfine valgrind /usr/bin/time cc; do
    if ! command -v "$tool" >/dev/null; then
        echo "bench: $tool missing; run: bash scripts/install-deps.sh all" >&2
        exit 1
    fi
done

if [[ -n "${BOARDMAP:-}" ]]; then
    boardmap=$(realpath "$BOARDMAP")
    counted=$boardmap
else
    (cd "$root" && cmake --preset release >/dev/null && cmake --build --preset release -j2 >/dev/null)
    boardmap=$root/build-release/boardmap
    (cd "$root" && cmake --preset release -B build-release-dynamic -DBOARDMAP_STATIC=OFF >/dev/null &&
        cmake --build build-release-dynamic -j2 --target boardmap >/dev/null)
    counted=$root/build-release-dynamic/boardmap
fi
if file "$counted" | grep -q 'statically linked\|static-pie linked'; then
    counted=""
    echo "bench: $boardmap is static; its heap allocations cannot be counted" >&2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/boardmap-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mailbox=$work/mailbox
mkdir "$mailbox"
printf 'call N0CALL\nname Bench\nsysop 1\n' >"$mailbox/rundat.kvd"

# A table of n lines as the tool writes it: old names b000, b001, ... in order; every tenth new
# name holds an 'x' (dx...), so `boardmap x` finds a tenth of the table.
make_table() {
    local n=$1 i new
    for ((i = 0; i < n; i++)); do
        if ((i % 10 == 0)); then new=$(printf 'dx%03d' "$i"); else new=$(printf 'n%03d' "$i"); fi
        printf '%-8s  %-8s\n' "$(printf 'b%03d' "$i")" "$new"
    done
}

# median_ms CSV: median wall time in milliseconds of the command in a hyperfine CSV export
# (columns: command, mean, stddev, median, ...). The median keeps a stray slow run on a busy
# machine from moving the figure.
median_ms() { awk -F, 'NR == 2 { printf "%.3f", $4 * 1000 }' "$1"; }

# timed NAME PREPARE COMMAND...: median wall time (ms) of COMMAND run in the mailbox, PREPARE
# (may be empty) run before each run.
timed() {
    local csv=$work/$1.csv prepare=$2
    shift 2
    local args=(-N --style none --warmup 3 --runs "$runs" --export-csv "$csv")
    [[ -n "$prepare" ]] && args+=(--prepare "$prepare")
    if ! (cd "$mailbox" && hyperfine "${args[@]}" "$*" >/dev/null 2>"$work/hyperfine.err"); then
        cat "$work/hyperfine.err" >&2
        exit 1
    fi
    median_ms "$csv"
}

# profile PREPARE COMMAND...: "allocations peak_kib instructions" of one run of COMMAND, the
# allocations of its run with the counted (dynamically linked) build instead.
profile() {
    local prepare=$1
    shift
    local allocs="" peak instructions
    if [[ -n "$counted" ]]; then
        (cd "$mailbox" && $prepare && valgrind --tool=memcheck --log-file="$work/memcheck.log" "$counted" "${@:2}" >/dev/null) || true
        allocs=$(sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' "$work/memcheck.log" | tr -d ,)
    fi
    (cd "$mailbox" && $prepare && /usr/bin/time -f %M -o "$work/time.txt" "$@" >/dev/null) || true
    peak=$(tail -n 1 "$work/time.txt")
    (cd "$mailbox" && $prepare && valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" \
        --log-file="$work/callgrind.log" "$@" >/dev/null) || true
    instructions=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$work/callgrind.log")
    echo "${allocs:-?} ${peak:-?} ${instructions:-?}"
}

# median NUMBER...: the middle value (the mean of the two middle ones for an even count).
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "?" }'; }

rows=()
declare -A allocations
for lines in 1 100 999; do
    make_table "$lines" >"$work/table-$lines.kvd"
    add_lines=$((lines < 999 ? lines : 998))
    make_table "$add_lines" >"$work/table-add-$lines.kvd"
    victim=$(printf 'b%03d' $((lines / 2)))
    restore="cp $work/table-$lines.kvd $mailbox/boardmap.kvd"
    restore_add="cp $work/table-add-$lines.kvd $mailbox/boardmap.kvd"
    cp "$work/table-$lines.kvd" "$mailbox/boardmap.kvd"

    # The commands and their baselines take turns, round by round, so that a busy spell of the
    # machine (other builds, disk flushes) falls on both sides alike.
    declare -A times=()
    for ((round = 1; round <= rounds; round++)); do
        runs=$((search_runs / rounds))
        times[search]+=" $(timed search "" "$boardmap" x)"
        times[grep]+=" $(timed grep "" grep -iF x boardmap.kvd)"
        runs=$((change_runs / rounds))
        times[cp]+=" $(timed cp "" cp "$work/table-$lines.kvd" copy.kvd)"
        times[sync]+=" $(timed sync "cp $work/table-$lines.kvd $mailbox/copy.kvd" sync -f copy.kvd)"
        rm -f "$mailbox/copy.kvd"
        times[add]+=" $(timed add "$restore_add" "$boardmap" + b499z new)"
        times[delete]+=" $(timed delete "$restore" "$boardmap" - "$victim")"
        cp "$work/table-$lines.kvd" "$mailbox/boardmap.kvd"
    done
    for key in "${!times[@]}"; do
        times[$key]=$(median ${times[$key]})
    done
    base_ms=$(awk -v a="${times[cp]}" -v b="${times[sync]}" 'BEGIN { printf "%.3f", a + b }')

    read -r a p i < <(profile "true" "$boardmap" x)
    allocations[search-$lines]=$a
    rows+=("$lines|search|${times[search]}|${times[grep]}|grep -iF|$(ratio "${times[search]}" "${times[grep]}")|$a|$p|$i")

    read -r a p i < <(profile "$restore_add" "$boardmap" + b499z new)
    allocations[add-$lines]=$a
    label=add
    ((add_lines != lines)) && label="add ($add_lines+1)"
    rows+=("$lines|$label|${times[add]}|$base_ms|cp+sync -f|$(ratio "${times[add]}" "$base_ms")|$a|$p|$i")

    read -r a p i < <(profile "$restore" "$boardmap" - "$victim")
    allocations[delete-$lines]=$a
    rows+=("$lines|delete|${times[delete]}|$base_ms|cp+sync -f|$(ratio "${times[delete]}" "$base_ms")|$a|$p|$i")
    unset times
done

# The start-up figures: the four programs run in strict turns (bench/startup.c), one run of
# each after the other, so that a busy spell of the machine falls on all four alike.
cc -static -O2 -x c -o "$work/empty" - <<<'int main(void) { return 0; }'
cc -static-pie -fPIE -O2 -x c -o "$work/empty-pie" - <<<'int main(void) { return 0; }'
cc -O2 -o "$work/startup" "$root/bench/startup.c"
cp "$work/table-999.kvd" "$mailbox/boardmap.kvd"
declare -A start_ms=()
read -r start_ms[search] start_ms[empty] start_ms[pie] start_ms[true] < <(cd "$mailbox" &&
    "$work/startup" "$start_runs" "$boardmap x" "$work/empty" "$work/empty-pie" /bin/true)
start_limit=1.15
start_ratio=$(ratio "${start_ms[search]}" "${start_ms[empty]}")

echo "boardmap $(cd "$mailbox" && "$boardmap" '?' | sed -n '1s/.* //p') at $boardmap"
echo "$(nproc) CPUs, $(uname -sr), $(df -T "$work" | awk 'NR == 2 { print $2 }') at $work"
echo "wall times: medians of $search_runs runs per search, $change_runs per change, in $rounds rounds taking turns with the baselines"
echo "ratio = boardmap / baseline, below 1.0: boardmap is faster; allocs, peak KiB and instructions: one run"
echo
fmt='%-6s %-14s %12s %12s %-11s %6s %7s %9s %13s\n'
# shellcheck disable=SC2059
printf "$fmt" lines command "boardmap ms" "baseline ms" baseline ratio allocs "peak KiB" instructions
# shellcheck disable=SC2059
printf "$fmt" ------ -------------- ------------ ------------ ----------- ------ ------- --------- -------------
for row in "${rows[@]}"; do
    IFS='|' read -r l c t b bn r a p i <<<"$row"
    # shellcheck disable=SC2059
    printf "$fmt" "$l" "$c" "$t" "$b" "$bn" "$r" "$a" "$p" "$i"
done
echo

echo "start-up (medians of $start_runs runs each, taking turns): search of 999 lines ${start_ms[search]} ms" \
    "($(file -b "$boardmap" | grep -o 'static-pie linked\|statically linked\|dynamically linked')), empty static C program ${start_ms[empty]} ms," \
    "the same as a static PIE ${start_ms[pie]} ms, /bin/true ${start_ms[true]} ms"
echo "search / empty static program:     $start_ratio (at most $start_limit)"
echo "search / empty static PIE program: $(ratio "${start_ms[search]}" "${start_ms[pie]}")"
echo "search / /bin/true:                 $(ratio "${start_ms[search]}" "${start_ms[true]}")"
echo "empty static PIE / empty static:   $(ratio "${start_ms[pie]}" "${start_ms[empty]}")"
echo

status=0
if awk -v r="$start_ratio" -v l="$start_limit" 'BEGIN { exit !(r > l) }'; then
    echo "search costs more than $start_limit times the empty static program: ABOVE THE LIMIT"
    status=1
fi
for command in search add delete; do
    if [[ -z "$counted" ]]; then
        echo "heap allocations of $command: not counted (static binary)"
    elif [[ "${allocations[$command-1]}" == "${allocations[$command-999]}" ]]; then
        echo "heap allocations of $command: ${allocations[$command-1]} for 1 line and for 999 lines (independent of the table)"
    else
        echo "heap allocations of $command: ${allocations[$command-1]} for 1 line, ${allocations[$command-999]} for 999 lines: GROWS WITH THE TABLE"
        status=1
    fi
done
exit "$status"
