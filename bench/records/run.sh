#!/usr/bin/env bash
# Records at scale, side by side in one run: our import, load and save of large tables beside
# Python's csv module and plistlib doing the same reading and writing.
#
#   bench/records/run.sh [--runs N] [--baseline DIR] [--no-plistlib]
#
# --baseline DIR times another build's quillory-cli and bench_documentfile (copied into DIR) in
# the same run, for a before/after table. plistlib takes minutes on the million-record document;
# --no-plistlib skips it. QUILLORY_BENCH_DIR sets the work folder (default bench/out/records).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=${QUILLORY_BENCH_DIR:-$root/bench/out/records}
runs=3
baseline=""
plistlib=1
while (($#)); do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --baseline) baseline=$(cd "$2" && pwd); shift 2 ;;
    --no-plistlib) plistlib=0; shift ;;
    *) echo "usage: $0 [--runs N] [--baseline DIR] [--no-plistlib]" >&2; exit 2 ;;
    esac
done
mkdir -p "$work"

cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" -j2 --target quillory-cli bench_documentfile >/dev/null
builds=("$root/build-release/cli/quillory-cli|$root/build-release/bench/codec/bench_documentfile|now")
[[ -n $baseline ]] && builds+=("$baseline/quillory-cli|$baseline/bench_documentfile|baseline")

# shellcheck source=../measure.sh
source "$here/../measure.sh"

for rows in 300000 1000000; do
    [[ -f $work/rows-$rows.csv ]] || python3 "$here/../import/make_csv.py" "$work/rows-$rows.csv" "$rows"
done
# 2,000 header cells, then 40,000 lines of one cell: records of 2,000 fields, nearly all empty.
if [[ ! -f $work/ragged.csv ]]; then
    python3 - "$work/ragged.csv" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    f.write(",".join("c%d" % i for i in range(2000)) + "\n")
    f.writelines("%d\n" % i for i in range(40000))
PY
fi

echo "== whole import: new + import (decode, parse, records, save), $runs runs"
for rows in 300000 1000000; do
    csv=$work/rows-$rows.csv
    echo "-- $rows rows x 5 ($(du -h "$csv" | cut -f1))"
    for build in "${builds[@]}"; do
        IFS='|' read -r cli _ label <<<"$build"
        measure "quillory new + import ($label)" bash -c '"$0" new --force "$1" && "$0" import "$1" "$2"' \
            "$cli" "$work/doc-$rows-$label.quillory" "$csv"
    done
    measure "python csv.reader to lists" python3 "$here/../import/read_csv.py" "$csv"
done

echo
echo "== info on the saved 1,000,000-row document ($(du -h "$work/doc-1000000-now.quillory" | cut -f1))"
for build in "${builds[@]}"; do
    IFS='|' read -r cli _ label <<<"$build"
    measure "quillory info ($label)" "$cli" info "$work/doc-1000000-$label.quillory"
done

# The document the 1,000,000-row import saved, loaded and saved by each build and by plistlib.
doc=$work/doc-1000000-now.quillory
echo "== load and save of that document ($(du -h "$doc" | cut -f1)), seconds: min, median"
for build in "${builds[@]}"; do
    IFS='|' read -r _ codec label <<<"$build"
    echo "-- $label"
    "$codec" "$doc" "$runs"
done
if ((plistlib)); then
    python3 - "$doc" <<'PY'
import plistlib, sys, time
path = sys.argv[1]
with open(path, "rb") as f:
    start = time.perf_counter()
    d = plistlib.load(f)
    load = time.perf_counter() - start
start = time.perf_counter()
with open(path + ".py", "wb") as f:
    plistlib.dump(d, f, fmt=plistlib.FMT_BINARY, sort_keys=False)
dump = time.perf_counter() - start
print("-- python plistlib\nload %.2f\ndump %.2f" % (load, dump))
PY
    rm -f "$doc.py"
fi

# Last: its 2 GB documents would slow what follows while the system writes them out.
echo
echo "== ragged: 2,000 header cells, 40,000 one-cell lines ($(du -h "$work/ragged.csv" | cut -f1))"
for build in "${builds[@]}"; do
    IFS='|' read -r cli _ label <<<"$build"
    # An earlier build may run out of memory here: its failure is reported, not fatal.
    ulimit_kb=$((8 * 1024 * 1024))
    if (ulimit -v $ulimit_kb; measure "quillory new + import ($label)" bash -c \
        '"$0" new --force "$1" && "$0" import "$1" "$2"' "$cli" "$work/ragged-$label.quillory" \
        "$work/ragged.csv"); then :; else
        echo "quillory new + import ($label): failed under an 8 GiB address-space limit"
    fi
    rm -f "$work/ragged-$label.quillory" # 2 GB each
done

echo
