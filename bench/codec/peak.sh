#!/usr/bin/env bash
# Decoding memory: the peak RSS of `quillory-cli info` on documents of the shapes that turn the
# fewest file bytes into the most memory, beside the bound the reader enforces (64 bytes per file
# byte plus 64 MiB; past it the file is refused as damaged, not decoded). BUILD_DIR (default
# build-release) holds the Release build.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${BUILD_DIR:-$root/build-release}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target quillory-cli >/dev/null
cli="$build/cli/quillory-cli"

printf "%-10s %9s %8s %10s %10s %7s  %s\n" shape records "file MB" "peak MB" "bound MB" "peak/file" ""
run() {
    local shape=$1 records=$2 fields=$3 doc="$work/$1.quillory"
    /usr/bin/python3 "$here/archive_shapes.py" "$shape" "$records" "$fields" "$doc"
    local verdict=read
    /usr/bin/time -f "%M" -o "$work/time.txt" "$cli" info "$doc" >/dev/null 2>&1 || verdict=refused
    awk -v v="$verdict" -v s="$shape" -v r="$records" -v f="$(stat -c %s "$doc")" -v k="$(tail -1 "$work/time.txt")" \
        'BEGIN { printf "%-10s %9d %8.1f %10.1f %10.1f %6.1fx  %s\n", s, r, f / 1e6, k / 1024,
                 (64 * f + 64 * 2^20) / 2^20, k * 1024 / f, v }'
    rm -f "$doc"
}
run shared 100000 50
run emptyrec 1000000 1
run arrays 50000 1
run dicts 50000 1
run numbers 100000 20
# One byte a reference (fewer than 256 objects): one array of 20 million entries, and a record
# list naming one record 20 million times, whose entries alone pass the bound.
run bigarray 20000000 1
run samerecord 20000000 3
