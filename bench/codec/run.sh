#!/usr/bin/env bash
# Builds and runs the document codec benchmark.
#
# 1. A document of 100,000 records with 8 user fields: our save and load, and Python's
#    plistlib.load of the very same file, side by side with the ratio.
# 2. A document of 1,000,000 records with 5 user fields: our save and load, next to Python's csv
#    module reading the same records as a CSV file (the yardstick of the import).
#
# Times are wall-clock seconds, minimum and median of REPS runs (default 5); "cpu" is the
# minimum CPU time, steadier when the machine is shared. BUILD_DIR (default build-release in the
# project) holds the Release build.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-release}"
reps="${REPS:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_codec >/dev/null
bench="$build/bench/codec/bench_codec"

# Python side: plistlib.load of a file, or csv.reader over a generated CSV of the same records.
python_times() {
    python3 - "$@" <<'PY'
import csv, plistlib, sys, time
mode, path, reps = sys.argv[1], sys.argv[2], int(sys.argv[3])
if mode == "csv":
    records, fields = int(sys.argv[4]), int(sys.argv[5])
    with open(path, "w", newline="") as f:
        w = csv.writer(f)
        for i in range(records):
            w.writerow(["value %d-%d" % (i, k) for k in range(fields)])
times = []
for _ in range(reps):
    with open(path, "rb" if mode == "plist" else "r", **({} if mode == "plist" else {"newline": ""})) as f:
        start = time.perf_counter()
        result = plistlib.load(f) if mode == "plist" else list(csv.reader(f))
        times.append(time.perf_counter() - start)
    del result
times.sort()
print("%.4f %.4f" % (times[0], times[len(times) // 2]))
PY
}

field() { awk -v n="$1" -v c="$2" '$1 == n { print $c }' "$3"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

echo "== 100,000 records x 8 fields"
"$bench" 100000 8 "$reps" "$work/doc100k.quillory" >"$work/ours100k.txt"
read -r py_min py_median < <(python_times plist "$work/doc100k.quillory" "$reps")
echo "file size: $(ratio "$(field bytes 2 "$work/ours100k.txt")" 1000000) MB"
printf "%-28s %10s %10s %10s\n" "" "min" "median" "cpu"
for step in dataOfType writeToFile readFromData readFromFile; do
    printf "%-28s %10s %10s %10s\n" "quillory $step" "$(field $step 2 "$work/ours100k.txt")" \
        "$(field $step 3 "$work/ours100k.txt")" "$(field $step 4 "$work/ours100k.txt")"
done
printf "%-28s %10s %10s\n" "python plistlib.load" "$py_min" "$py_median"
echo "load ratio, plistlib.load / readFromFile (min): $(ratio "$py_min" "$(field readFromFile 2 "$work/ours100k.txt")")x"
echo "load ratio, plistlib.load / readFromData (min): $(ratio "$py_min" "$(field readFromData 2 "$work/ours100k.txt")")x"

echo
echo "== 1,000,000 records x 5 fields"
big_reps=$(( reps < 3 ? reps : 3 ))
"$bench" 1000000 5 "$big_reps" "$work/doc1m.quillory" >"$work/ours1m.txt"
rm -f "$work/doc1m.quillory" "$work/doc100k.quillory"
read -r csv_min csv_median < <(python_times csv "$work/records.csv" "$big_reps" 1000000 5)
echo "file size: $(ratio "$(field bytes 2 "$work/ours1m.txt")" 1000000) MB"
printf "%-28s %10s %10s %10s\n" "" "min" "median" "cpu"
for step in dataOfType writeToFile readFromData readFromFile; do
    printf "%-28s %10s %10s %10s\n" "quillory $step" "$(field $step 2 "$work/ours1m.txt")" \
        "$(field $step 3 "$work/ours1m.txt")" "$(field $step 4 "$work/ours1m.txt")"
done
printf "%-28s %10s %10s\n" "python csv.reader (1M x 5)" "$csv_min" "$csv_median"
