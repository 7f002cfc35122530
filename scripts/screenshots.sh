#!/usr/bin/env bash
# Renders every tab of the demo document into docs/screenshots/, on Xvfb when it is installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target quillory-screenshots >/dev/null
mkdir -p "$root/docs/screenshots"
shots=("$root/build/examples/screenshots/quillory-screenshots" "$root/examples/demo/clients.quillory"
    "$root/docs/screenshots")
# On a real X server (Xvfb) when there is one, with the fonts and style people see; offscreen
# otherwise.
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x900x24" env QT_QPA_PLATFORM=xcb "${shots[@]}"
else
    "${shots[@]}"
fi
