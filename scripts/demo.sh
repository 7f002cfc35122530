#!/usr/bin/env bash
# The main job: builds quillory-cli and merges the bundled demo document into a fresh folder,
# then shows what was made. Usage: scripts/demo.sh [OUTPUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target quillory-cli >/dev/null
cli="$root/build/cli/quillory-cli"
out=${1:-$(mktemp -d /tmp/quillory-demo.XXXXXX)}
mkdir -p "$out"
doc="$root/examples/demo/clients.quillory"
echo "== Document"
"$cli" info "$doc"
echo
echo "== Run into $out"
status=0
"$cli" run "$doc" --destination "$out" || status=$?
echo
echo
echo "== Created"
(cd "$out" && find . -mindepth 1 | sort)
for f in "$out/Clients/summary.txt" "$(find "$out/Clients" -name letter.txt | sort | head -n 1)"; do
  echo
  echo "== ${f#"$out/"}"
  cat "$f"
done
exit $status
