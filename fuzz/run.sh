#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time on a copy of its seed
# corpus (the work corpus stays in the build directory); exits non-zero on any finding.
# Usage: bash fuzz/run.sh [seconds per target, default 60] [build directory, default build-fuzz]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
build="${2:-$root/build-fuzz}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DBOARDMAP_FUZZ=ON \
    -DBOARDMAP_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target table_fuzz run_data_fuzz lookup_fuzz

failed=0
summary=""
for target in table run_data lookup; do
    work="$build/fuzz/corpus-work/$target"
    findings="$build/fuzz/findings/$target"
    log="$build/fuzz/$target.log"
    rm -rf "$work" "$findings"
    mkdir -p "$work" "$findings"
    cp "$root/fuzz/corpus/$target/"* "$work/"
    echo "fuzzing $target for $seconds s"
    # Crash inputs go to an absolute directory: run_data_fuzz steps into a scratch directory.
    if ! "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" >"$log" 2>&1; then
        failed=1
        tail -n 60 "$log"
        echo "FINDING in $target: log $log, input in $findings/"
    fi
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
    summary+="$(printf '%-9s %7s exec/s %10s executions in %s s' "$target" "${rate:-?}" \
        "${runs:-?}" "$seconds")"$'\n'
done
printf '\n%s' "$summary"
exit "$failed"
