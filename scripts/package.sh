#!/usr/bin/env bash
# Builds the Debian package quillory_<version>_amd64.deb (CPack, from the release build's
# install rules) and puts it in the project folder. Install it with
#   apt-get install ./quillory_*_amd64.deb
# Prints the package's path. Usage: scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" >&2
dir=$("$root/scripts/build.sh" release | tail -n 1)
rm -rf "$dir/deb"
(cd "$dir" && cpack -G DEB -B "$dir/deb" >&2)
deb=$(find "$dir/deb" -maxdepth 1 -name 'quillory_*_amd64.deb' | head -n 1)
[ -n "$deb" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
cp "$deb" "$root/"
echo "$root/$(basename "$deb")"
