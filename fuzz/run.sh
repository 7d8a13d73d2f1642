#!/usr/bin/env bash
# fuzz/run.sh BUILD-DIR SECONDS [NAME...]: runs every fuzz target (or those named) for SECONDS, two at a time at the lowest
# CPU priority, each on a working corpus seeded from fuzz/corpus/NAME (the seeds stay as they
# are). Logs, working corpora and crash inputs go under BUILD-DIR/fuzz-runs; the last line of
# each log is summed up. Fails when a target found a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 seconds=$2
shift 2
runs="$build/fuzz-runs"
mkdir -p "$runs"

run_one() {
    local name=$1 corpus="$runs/corpus/$1" log="$runs/$1.log" dict=()
    mkdir -p "$corpus" "$runs/crashes/$name"
    [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
    nice -n 19 "$build/fuzz/fuzz_$name" "${dict[@]}" -max_total_time="$seconds" \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$runs/crashes/$name/" \
        "$corpus" "fuzz/corpus/$name" >"$log" 2>&1
}
export -f run_one
export build seconds runs

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for source in fuzz/*.cpp; do
        names+=("$(basename "$source" .cpp)")
    done
fi
failed=0
printf '%s\n' "${names[@]}" | xargs -P 2 -I{} bash -c 'run_one {}' || failed=1

for name in "${names[@]}"; do
    log="$runs/$name.log"
    runs_done=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    coverage=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' || true)
    # Slow units are only reported: on a loaded machine any input may be slow now and then.
    crashes=$(find "$runs/crashes/$name" -type f \( -name 'crash-*' -o -name 'leak-*' \
        -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    printf '%-16s %10s runs in %ss  %s  crashes: %s\n' "$name" "${runs_done:-?}" "$seconds" \
        "${coverage:-?}" "$crashes"
    [ "$crashes" -eq 0 ] || failed=1
done
exit "$failed"
