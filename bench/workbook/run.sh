#!/usr/bin/env bash
# Workbook import benchmark: `quillory-cli new` + `import` of a 100,000 x 5 .xlsx (texts,
# numbers, dates; written once by openpyxl) — reading, making the records and saving — beside
# openpyxl in read-only mode merely iterating its rows. Target: at most a third of openpyxl's
# time, under 300 MB peak.
# Usage: bench/workbook/run.sh [runs]   (QUILLORY_BENCH_DIR sets the work folder; QUILLORY_CLI
# names an already built quillory-cli instead of building a Release one)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${QUILLORY_BENCH_DIR:-$root/build-release/bench/workbook}
runs=${1:-5}
mkdir -p "$work"

if [[ -n "${QUILLORY_CLI:-}" ]]; then
    cli=$QUILLORY_CLI
else
    cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build-release" -j2 --target quillory-cli >/dev/null
    cli="$root/build-release/cli/quillory-cli"
fi

# shellcheck source=../measure.sh
source "$here/../measure.sh"

book="$work/rows-100000x5.xlsx"
[[ -f "$book" ]] || /usr/bin/python3 "$here/make_workbook.py" "$book" 100000
echo "file: $book ($(du -h "$book" | cut -f1)), 100,000 rows x 5, $runs runs each"
measure "quillory-cli new + import (saved)" \
    bash -c '"$0" new --force "$1" && "$0" import "$1" "$2" --header-names' \
    "$cli" "$work/workbook.quillory" "$book"
measure "openpyxl read-only, all rows" /usr/bin/python3 "$here/read_openpyxl.py" "$book"
