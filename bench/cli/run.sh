#!/usr/bin/env bash
# Wide-import benchmark: `quillory-cli import` of a CSV with 20,000, 80,000 and 300,000 columns
# and 2 rows into a new document (one new field per column), beside Python's csv module merely
# reading it. The time must grow with the columns, not with their square.
# Usage: bench/cli/run.sh [runs]   (QUILLORY_BENCH_DIR sets the work folder; QUILLORY_CLI
# names an already built quillory-cli instead of building a Release one)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${QUILLORY_BENCH_DIR:-$root/bench/out/cli}
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

for columns in 20000 80000 300000; do
    csv="$work/wide-${columns}.csv"
    if [[ ! -f "$csv" ]]; then
        python3 -c '
import sys
path, n = sys.argv[1], int(sys.argv[2])
with open(path, "w") as f:
    f.write(",".join("c%d" % i for i in range(n)) + "\n")
    f.write(",".join("v%d" % i for i in range(n)) + "\n")
' "$csv" "$columns"
    fi
    echo "file: $csv ($(du -h "$csv" | cut -f1)), $columns columns x 2 rows, $runs runs each"
    measure "quillory-cli new + import" bash -c '"$0" new --force "$1" && "$0" import "$1" "$2"' \
        "$cli" "$work/wide.quillory" "$csv"
    measure "quillory-cli import --header-names" \
        bash -c '"$0" new --force "$1" && "$0" import "$1" "$2" --header-names' \
        "$cli" "$work/wide.quillory" "$csv"
    measure "python csv.reader to lists" python3 -c \
        'import csv,sys; rows=list(csv.reader(open(sys.argv[1], newline="")))' "$csv"
done
