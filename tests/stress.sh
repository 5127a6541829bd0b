#!/usr/bin/env bash
# Load on the board map table: 32 sysops add and delete their own entries in rounds while
# users list the table in a loop. Afterwards every expected entry must be there, the table in
# the tool's order and column layout, no listing may have failed, and the mailbox directory must
# hold nothing but the run data, the table and its backup.
#
# Usage: bash tests/stress.sh [seconds] [path of boardmap]   (default: 60 build/boardmap;
# the path may also come from $BOARDMAP)
set -u

seconds=${1:-60}
tool=${2:-${BOARDMAP:-build/boardmap}}
writers=32
readers=4

if [[ ! -x $tool ]]; then
    echo "stress: no executable at $tool" >&2
    exit 2
fi
tool=$(realpath "$tool")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mailbox=$work/mailbox
results=$work/results
mkdir "$mailbox" "$results"

row() { printf '%-8s  %-8s\n' "$1" "$2"; }

# 200 entries no writer touches, and the one the readers look for. The tool orders by old name
# in unsigned bytes; for these names that is the C locale's order of whole lines.
printf 'call DL1ABC\nsysop 1\n' >"$mailbox/rundat.kvd"
{
    for i in $(seq 100 299); do row "f$i" "g$i"; done
    row keep keeper
} | LC_ALL=C sort >"$work/ballast"
cp "$work/ballast" "$mailbox/boardmap.kvd"

# Runs the tool in the mailbox; sets $out to its exact output followed by "status N".
run() {
    out=$(
        cd "$mailbox" && "$tool" "$@"
        echo "status $?"
    )
}

count_line='^[0-9]+ entries written\.$'

# Writer i: each round adds a new entry of its own and deletes the one of the round before, so
# it ends holding exactly the entry of its last round.
writer() {
    local i=$1 end=$2 round=0 runs=0 failures=0 old='' new='' last_old='' last_new=''
    while ((EPOCHSECONDS < end)); do
        round=$((round + 1))
        printf -v old 'w%02d%05d' "$i" "$round"
        printf -v new 'n%02d%05d' "$i" "$round"
        run + "$old" "$new"
        runs=$((runs + 1))
        if [[ ${out%$'\n'status 0} == "$out" || ! ${out%$'\n'status 0} =~ $count_line ]]; then
            failures=$((failures + 1))
            printf 'writer %d: + %s %s:\n%s\n' "$i" "$old" "$new" "$out" >>"$results/log"
            break
        fi
        if [[ -n $last_old ]]; then
            run - "$last_old"
            runs=$((runs + 1))
            local announced
            announced="Entry \"$(row "$last_old" "$last_new" | tr -d '\n')\" deleted!"
            local rest=${out#"$announced"$'\n'}
            if [[ $rest == "$out" || ${rest%$'\n'status 0} == "$rest" ||
                ! ${rest%$'\n'status 0} =~ $count_line ]]; then
                failures=$((failures + 1))
                printf 'writer %d: - %s:\n%s\n' "$i" "$last_old" "$out" >>"$results/log"
                break
            fi
        fi
        last_old=$old
        last_new=$new
    done
    echo "$runs $failures $round $last_old $last_new" >"$results/writer$i"
}

reader() {
    local i=$1 runs=0 failures=0
    local expected=$'OLDBOARD  NEWBOARD\n\nkeep      keeper  \nstatus 0'
    while [[ ! -e $results/stop ]]; do
        run keep
        runs=$((runs + 1))
        if [[ $out != "$expected" ]]; then
            failures=$((failures + 1))
            printf 'reader %d:\n%s\n' "$i" "$out" >>"$results/log"
        fi
    done
    echo "$runs $failures" >"$results/reader$i"
}

for ((i = 0; i < readers; i++)); do
    reader "$i" &
    reader_pids+=($!)
done
end=$((EPOCHSECONDS + seconds))
for ((i = 0; i < writers; i++)); do
    writer "$i" "$end" &
    writer_pids+=($!)
done
wait "${writer_pids[@]}"
touch "$results/stop"
wait "${reader_pids[@]}"

failed=0
check() {
    echo "FAIL: $*"
    failed=1
}

writer_runs=0 writer_failures=0 rounds_min='' rounds_max=0
cp "$work/ballast" "$work/expected.unsorted"
for ((i = 0; i < writers; i++)); do
    read -r runs failures rounds last_old last_new <"$results/writer$i" ||
        check "writer $i left no figures"
    writer_runs=$((writer_runs + runs))
    writer_failures=$((writer_failures + failures))
    ((rounds > rounds_max)) && rounds_max=$rounds
    [[ -z $rounds_min ]] || ((rounds < rounds_min)) && rounds_min=$rounds
    [[ -n $last_old ]] && row "$last_old" "$last_new" >>"$work/expected.unsorted"
done
reader_runs=0 reader_failures=0
for ((i = 0; i < readers; i++)); do
    read -r runs failures <"$results/reader$i" || check "reader $i left no figures"
    reader_runs=$((reader_runs + runs))
    reader_failures=$((reader_failures + failures))
done
LC_ALL=C sort "$work/expected.unsorted" >"$work/expected"

((writer_failures == 0)) || check "$writer_failures writer runs failed"
((reader_failures == 0)) || check "$reader_failures listings failed"
cmp -s "$work/expected" "$mailbox/boardmap.kvd" ||
    check "boardmap.kvd is not the expected table in order and column layout:
$(diff "$work/expected" "$mailbox/boardmap.kvd" | head -20)"
# The backup is the table before the last change: one line more or one line less.
[[ $(LC_ALL=C comm -3 "$mailbox/boardmap.kvd" "$mailbox/boardmap.bak" | wc -l) == 1 ]] ||
    check "boardmap.bak is not the table before the last change"
left=$(find "$mailbox" -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort | tr '\n' ' ')
[[ $left == "boardmap.bak boardmap.kvd rundat.kvd " ]] || check "left in the mailbox: $left"

echo "stress: $seconds s, $writers writers, $readers readers"
echo "  writer runs: $writer_runs (rounds per writer: $rounds_min to $rounds_max), failed: $writer_failures"
echo "  listings:    $reader_runs, failed: $reader_failures"
echo "  table lines: $(wc -l <"$mailbox/boardmap.kvd")"
if [[ -s $results/log ]]; then
    echo "first failures:"
    head -40 "$results/log"
fi
if ((failed)); then
    echo "stress: FAILED"
    exit 1
fi
echo "stress: passed"
