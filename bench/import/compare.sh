#!/usr/bin/env bash
# Before and after: a saved bench_import binary (built from the code before a change) against the
# one of the current tree, run alternately on the same file so that a busy machine weighs on both
# alike. Prints min and median of the parse phase (read, decode, split) and of the whole process's
# user CPU time.
# Usage: bench/import/compare.sh OLD_BENCH_IMPORT [runs] [file.csv]
#   (save one first: cp build-release/bench/import/bench_import /somewhere/bench_import.old)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
old=$1
runs=${2:-15}
work=${QUILLORY_BENCH_DIR:-$root/bench/out/import}
csv=${3:-$work/import-1000000.csv}
mkdir -p "$work"
if [[ ! -f "$csv" ]]; then
    echo "generating $csv"
    python3 "$here/make_csv.py" "$csv" 1000000
fi

cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" -j2 --target bench_import >/dev/null
new="$root/build-release/bench/import/bench_import"

: >"$work/compare-old.txt"
: >"$work/compare-new.txt"
for ((i = 0; i < runs; i++)); do
    for which in old new; do
        bin=$old
        [[ $which == new ]] && bin=$new
        /usr/bin/time -f "%U" -o "$work/compare-time.txt" "$bin" "$csv" 2>"$work/compare-err.txt"
        parse=$(grep -o 'parse_ms=[0-9]*' "$work/compare-err.txt" | cut -d= -f2)
        echo "$parse $(tail -1 "$work/compare-time.txt")" >>"$work/compare-$which.txt"
    done
done

# min and median of column $1 of file $2
stat() {
    sort -n -k"$1" "$2" | awk -v c="$1" '{ v[NR] = $c } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf "min %8.2f  median %8.2f", v[1], m }'
}
echo "file: $csv, $runs runs each, alternating"
for which in old new; do
    printf '%-4s parse ms: %s   user CPU s: %s\n' "$which" "$(stat 1 "$work/compare-$which.txt")" \
        "$(stat 2 "$work/compare-$which.txt")"
done
