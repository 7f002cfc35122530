#!/usr/bin/env bash
# Window benchmark: opens a 100,000-record document in the window (offscreen) and times the
# window ready to use, a sort of the record table, each keystroke of a search, checking every
# record (the status bar counts them) and opening again with and without a remembered layout,
# next to `quillory-cli info` loading the same file. Usage: bench/window/run.sh [records] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
records=${1:-100000}
runs=${2:-5}
work=${QUILLORY_BENCH_DIR:-$root/bench/out/window}
mkdir -p "$work"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" -j2 --target quillory-cli bench_window bench_run_merge >/dev/null
doc="$work/window-$records.quillory"
[[ -f "$doc" ]] || "$root/build-release/bench/run/bench_run_merge" --write-doc "$doc" "$records"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
cli_ms=() cli_kb=0 open_ms=() sort_ms=() key_ms=() win_kb=0 check_ms=() reopen_ms=() remembered_ms=()
for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o "$work/time.txt" "$root/build-release/cli/quillory-cli" info "$doc" >/dev/null
    cli_ms+=($((($(date +%s%N) - start) / 1000000)))
    kb=$(tail -1 "$work/time.txt"); ((kb > cli_kb)) && cli_kb=$kb
    "$root/build-release/bench/window/bench_window" "$doc" >"$work/window.txt" 2>/dev/null
    open_ms+=($(awk '/^open_ms/ {print $2}' "$work/window.txt"))
    sort_ms+=($(awk '/^sort_ms/ {print $2}' "$work/window.txt" | sort -n | tail -1))
    key_ms+=($(awk '/^keystroke_ms/ {print $2}' "$work/window.txt" | sort -n | tail -1))
    kb=$(awk '/^peak_kb/ {print $2}' "$work/window.txt"); ((kb > win_kb)) && win_kb=$kb
    check_ms+=($(awk '/^check_all_ms/ {print $2}' "$work/window.txt"))
    reopen_ms+=($(awk '/^reopen_ms/ {print $2}' "$work/window.txt"))
    remembered_ms+=($(awk '/^reopen_remembered_ms/ {print $2}' "$work/window.txt"))
done
cm=$(printf '%s\n' "${cli_ms[@]}" | median)
om=$(printf '%s\n' "${open_ms[@]}" | median)
printf 'records: %s, runs: %s (medians; sort and keystroke: the slowest of each run)\n' "$records" "$runs"
printf '  quillory-cli info load   %6s ms   peak %7s kB\n' "$cm" "$cli_kb"
printf '  window ready to use      %6s ms   peak %7s kB   (%s x the CLI time, %s x its memory)\n' \
    "$om" "$win_kb" "$(awk -v a="$om" -v b="$cm" 'BEGIN {printf "%.2f", a / b}')" \
    "$(awk -v a="$win_kb" -v b="$cli_kb" 'BEGIN {printf "%.2f", a / b}')"
printf '  sort by a column         %6s ms\n' "$(printf '%s\n' "${sort_ms[@]}" | median)"
printf '  search keystroke         %6s ms\n' "$(printf '%s\n' "${key_ms[@]}" | median)"
printf '  check all records        %6s ms\n' "$(printf '%s\n' "${check_ms[@]}" | median)"
printf '  open again               %6s ms   (with a remembered layout: %s ms)\n' \
    "$(printf '%s\n' "${reopen_ms[@]}" | median)" "$(printf '%s\n' "${remembered_ms[@]}" | median)"
