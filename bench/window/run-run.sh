#!/usr/bin/env bash
# Run benchmark: a run of a 100,000-record document started from the window (offscreen) next to
# `quillory-cli run` of the same document, each into a fresh folder.
# Usage: bench/window/run-run.sh [records] [runs] [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
records=${1:-100000}
runs=${2:-3}
build=${3:-$root/build-release}
work=${QUILLORY_BENCH_DIR:-$root/bench/out/windowrun}
mkdir -p "$work"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target quillory-cli bench_windowrun bench_run_merge >/dev/null
doc="$work/run-$records.quillory"
[[ -f "$doc" ]] || "$build/bench/run/bench_run_merge" --write-doc "$doc" "$records"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
fresh() { rm -rf "$work/dest" && mkdir -p "$work/dest"; }
cli_ms=() win_ms=() open_ms=()
cli() {
    fresh
    local start=$(date +%s%N)
    "$build/cli/quillory-cli" run "$doc" --destination "$work/dest" >/dev/null
    cli_ms+=($((($(date +%s%N) - start) / 1000000)))
}
window() {
    fresh
    "$build/bench/window/bench_windowrun" "$doc" "$work/dest" >"$work/window.txt" 2>/dev/null
    open_ms+=($(awk '/^open_ms/ {print $2}' "$work/window.txt"))
    win_ms+=($(awk '/^run_ms/ {print $2}' "$work/window.txt"))
}
# The file system dominates and remembers what was just deleted: the order alternates.
for ((i = 0; i < runs; i++)); do
    if ((i % 2)); then window; cli; else cli; window; fi
done
rm -rf "$work/dest"
cm=$(printf '%s\n' "${cli_ms[@]}" | median)
wm=$(printf '%s\n' "${win_ms[@]}" | median)
om=$(printf '%s\n' "${open_ms[@]}" | median)
printf 'records: %s, runs: %s (medians; cli %s, window %s)\n' "$records" "$runs" \
    "${cli_ms[*]}" "${win_ms[*]}"
printf '  quillory-cli run (load and run)   %6s ms\n' "$cm"
printf '  window: open                      %6s ms\n' "$om"
printf '  window: Run pressed to run ended  %6s ms   (%s x the CLI time)\n' "$wm" \
    "$(awk -v a="$wm" -v b="$cm" 'BEGIN {printf "%.2f", a / b}')"
