#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (folder build-fuzz) and runs each one: first over its
# regression inputs, then for SECONDS seconds (60 by default) from the seed corpus. Usage:
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Exits non-zero when a target fails; the failing input is left in build-fuzz/findings/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_document fuzz_import fuzz_substitution fuzz_export fuzz_workbook)
dir="$root/build-fuzz"

if [ ! -f "$dir/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLORY_FUZZ=ON $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
nice cmake --build "$dir" -j2 --target "${targets[@]}"

# Seeds: the examples, the tests' data and the shared fixtures, by what each target reads.
seeds() {
    case "$1" in
    fuzz_document) find "$root/examples" "$root/tests/data/archive" "$root/../shared/fixtures" \
        -type f \( -name '*.quillory' -o -name '*.plist' -o -name '*.bin' -o -name '*.bplist' \
        -o -name '*.archive' \) 2>/dev/null ;;
    fuzz_import | fuzz_export) find "$root/tests/data/exchange" "$root/examples" -type f \
        \( -name '*.csv' -o -name '*.tsv' -o -name '*.txt' \) 2>/dev/null ;;
    fuzz_substitution) find "$root/tests/data/templates" -type f 2>/dev/null ;;
    fuzz_workbook) find "$root/tests/data/exchange/workbooks" -type f \( -name '*.xlsx' \
        -o -name '*.ods' -o -name '*.zip' \) 2>/dev/null ;;
    esac
}

mkdir -p "$dir/findings"
status=0
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    corpus="$dir/corpus/$name"
    mkdir -p "$corpus"
    # A folder that is missing (no fixtures beside a fresh clone) only gives fewer seeds.
    { seeds "$target" || true; } | while read -r f; do cp -n "$f" "$corpus/" 2>/dev/null || true; done
    # Memory is budgeted so that amplification fails the run instead of swapping.
    options=(-rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=20
             -artifact_prefix="$dir/findings/$name-")
    regressions="$root/fuzz/regressions/$name"
    if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
        echo "== $target: regression inputs"
        "$dir/fuzz/$target" "${options[@]}" "$regressions"/* || status=1
    fi
    echo "== $target: $seconds seconds"
    "$dir/fuzz/$target" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        "$corpus" || status=1
done
exit $status
