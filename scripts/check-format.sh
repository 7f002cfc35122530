#!/usr/bin/env bash
# Fails when a tracked C or C++ source differs from what the project's .clang-format gives.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' '*.c' | xargs -0 -r clang-format --dry-run --Werror
echo "formatting: ok"
