#!/usr/bin/env bash
# Times the TSV export of a 1,000,000-record, 5-field document against Python's csv writer
# writing the same rows, alternating the two. Usage: bench/export/run.sh [runs] [records].
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=${1:-5}
records=${2:-1000000}
build="$root/build-release"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target export_bench >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
ours=()
python=()
for ((i = 1; i <= runs; i++)); do
    ours+=("$("$build/bench/export/export_bench" "$out/quillory.tsv" "$records")")
    python+=("$(python3 "$here/csv_writer.py" "$out/python.tsv" "$records")")
done

# The two files hold the same rows; ours has no line end after the last one.
if cmp -s <(cat "$out/quillory.tsv"; echo) "$out/python.tsv"; then
    same="identical rows"
else
    same="OUTPUTS DIFFER"
fi

summary() {
    # Reads "records seconds MB" lines; prints min and median seconds and the largest MB.
    sort -k2 -n | awk '{ s[NR] = $2; if ($3 > rss) rss = $3 }
        END { m = (NR % 2) ? s[(NR + 1) / 2] : (s[NR / 2] + s[NR / 2 + 1]) / 2;
              printf "min %.3f s  median %.3f s  writing adds up to %d MB to the peak RSS\n", s[1], m, rss }'
}
echo "TSV export of $records records x 5 fields, $runs runs each ($same, $(stat -c %s "$out/python.tsv") bytes)"
printf '  quillory ExportWriter: '; printf '%s\n' "${ours[@]}" | summary
printf '  python3 csv.writer (tab):     '; printf '%s\n' "${python[@]}" | summary
