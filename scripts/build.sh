#!/usr/bin/env bash
# Configures and builds the project. Usage: scripts/build.sh [release|sanitize] (default release).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-release}
case "$kind" in
  release)  dir="$root/build";          flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir="$root/build-sanitize"; flags=(-DCMAKE_BUILD_TYPE=Debug -DQUILLORY_SANITIZE=ON) ;;
  *) echo "unknown build kind: $kind" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" -G Ninja "${flags[@]}" >/dev/null
# Build output goes to stderr, so that a caller taking the folder from stdout still sees errors.
cmake --build "$dir" -j2 >&2
echo "$dir"
