#!/usr/bin/env bash
# Renders every tab of the demo document offscreen into docs/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target quillory-screenshots >/dev/null
mkdir -p "$root/docs/screenshots"
"$root/build/examples/screenshots/quillory-screenshots" "$root/examples/demo/clients.quillory" \
    "$root/docs/screenshots"
