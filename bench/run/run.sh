#!/usr/bin/env bash
# Builds the release programs and runs the merge benchmark: quillory-cli run against the C floor
# and a plain-Python merge, at 20,000 and 100,000 records, on the tmpfs /dev/shm.
#   bench/run/run.sh [--disk [DIR]] [bench_run.py arguments, e.g. --rounds 7 --records 20000]
# --disk puts the outputs on a disk instead (DIR, by default a folder in $TMPDIR or /tmp).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=()
if [[ ${1:-} == --disk ]]; then
    shift
    if [[ $# -gt 0 && $1 != -* ]]; then
        work=(--work "$1")
        shift
    else
        work=(--work "$(mktemp -d "${TMPDIR:-/tmp}/quillory-bench-run-XXXXXX")")
    fi
fi
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" -j2 --target quillory-cli bench_run_floor bench_run_merge >/dev/null
python3 "$root/bench/run/bench_run.py" --build "$root/build-release" "${work[@]}" "$@"
