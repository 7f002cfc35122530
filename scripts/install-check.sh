#!/usr/bin/env bash
# Installs the release build into a temporary prefix and checks what a desktop needs: both
# programs, the launcher (desktop-file-validate), the document type (update-mime-database must
# accept it and map *.quillory to it), the icons, the user guide, the demo documents and the
# command-line tool's manual page and completion, the software centre's metadata
# (appstreamcli validate). The list of files is scripts/installed-files.txt.
# Usage: scripts/install-check.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir=$("$root/scripts/build.sh" release | tail -n 1)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$dir" --prefix "$prefix" >/dev/null

failed=0
expect() {
  if [ -e "$prefix/$1" ]; then echo "ok       $1"; else echo "MISSING  $1"; failed=1; fi
}
while IFS= read -r file; do expect "$file"; done \
  < <(grep -v -E '^\s*(#|$)' "$root/scripts/installed-files.txt")

desktop-file-validate "$prefix/share/applications/org.quillory.Quillory.desktop"
echo "ok       desktop-file-validate"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.quillory.Quillory.metainfo.xml"
echo "ok       appstreamcli validate"
# (It warns that the prefix is not among the XDG data folders: true, and beside the point here.)
update-mime-database "$prefix/share/mime" 2>/dev/null
if grep -q '^application/x-quillory:\*\.quillory$' "$prefix/share/mime/globs"; then
  echo "ok       *.quillory is application/x-quillory"
else
  echo "FAILED   *.quillory is not mapped to application/x-quillory"; failed=1
fi
version=$("$prefix/bin/quillory" --version)
# The release the build was configured with, read from the build rather than written here.
release=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
[ "$version" = "Quillory $release" ] && echo "ok       $version" || { echo "FAILED   --version: $version"; failed=1; }
head -c 5 "$prefix/share/doc/quillory/Quillory User Guide.pdf" | grep -q '%PDF-' \
  || { echo "FAILED   the user guide is no PDF"; failed=1; }
exit $failed
