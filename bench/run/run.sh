#!/usr/bin/env bash
# Builds the release programs and runs the merge benchmark: quillory-cli run against the C floor
# and a plain-Python merge. Extra arguments go to bench_run.py (e.g. --rounds 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-release" -j2 --target quillory-cli bench_run_floor bench_run_merge >/dev/null
python3 "$root/bench/run/bench_run.py" --build "$root/build-release" "$@"
