#!/usr/bin/env bash
# Import benchmark: our whole import (decode, parse, records, save) of a 1,000,000-row CSV
# beside Python's csv module merely reading it, and `wc -l` as the floor.
# Usage: bench/import/run.sh [runs]   (QUILLORY_BENCH_DIR sets the work folder)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${QUILLORY_BENCH_DIR:-$root/bench/out/import}
runs=${1:-5}
rows=1000000
mkdir -p "$work"

csv="$work/import-${rows}.csv"
if [[ ! -f "$csv" ]]; then
    echo "generating $csv"
    python3 "$here/make_csv.py" "$csv" "$rows"
fi

cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" -j2 --target bench_import quillory-cli >/dev/null
bench="$root/build-release/bench/import/bench_import"
cli="$root/build-release/cli/quillory-cli"

# shellcheck source=../measure.sh
source "$here/../measure.sh"

echo "file: $csv ($(du -h "$csv" | cut -f1)), $runs runs each"
# The whole job as a user runs it: a new document, then the import (automatic format and
# encoding, every column to a new field) and the save.
measure "quillory-cli new + import" bash -c '"$0" new --force "$1" && "$0" import "$1" "$2"' \
    "$cli" "$work/cli.quillory" "$csv"
# The same work in one process, with the time of each phase.
measure "bench_import (phases)" "$bench" "$csv" "$work/out.quillory"
echo "  last run: $(cat "$work/last.err")"
measure "python csv.reader to lists" python3 "$here/read_csv.py" "$csv"
measure "wc -l" wc -l "$csv"

# Every last field quoted with doubled quotes: the unquoting must not cost a text per field.
quoted="$work/import-${rows}-doubled-quotes.csv"
if [[ ! -f "$quoted" ]]; then
    echo "generating $quoted"
    python3 "$here/make_csv.py" "$quoted" "$rows" --doubled-quotes
fi
echo "file: $quoted ($(du -h "$quoted" | cut -f1)), $runs runs each"
measure "quillory-cli new + import" bash -c '"$0" new --force "$1" && "$0" import "$1" "$2"' \
    "$cli" "$work/cli.quillory" "$quoted"
measure "python csv.reader to lists" python3 "$here/read_csv.py" "$quoted"
