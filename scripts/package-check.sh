#!/usr/bin/env bash
# Builds the Debian package and checks it as a distribution would: lintian finds no error, the
# metadata validates, it holds every file an install must hold (scripts/installed-files.txt)
# and its dependencies, computed from the binaries, name the Qt, liborcus and libxlsxwriter
# runtime packages. Usage: scripts/package-check.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=$("$root/scripts/package.sh" | tail -n 1)
echo "package  $deb"
failed=0
contents=$(dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}\.\///; s/ -> .*//')
while IFS= read -r file; do
  if grep -qxF "usr/$file" <<<"$contents"; then echo "ok       usr/$file"
  else echo "MISSING  usr/$file"; failed=1; fi
done < <(grep -v -E '^\s*(#|$)' "$root/scripts/installed-files.txt")

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for runtime in libqt6core6 libqt6widgets6 libqt6network6 liborcus libxlsxwriter; do
  if grep -q "\b$runtime" <<<"$depends"; then echo "ok       depends on $runtime"
  else echo "FAILED   no dependency on $runtime"; failed=1; fi
done

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.quillory.Quillory.metainfo.xml"
echo "ok       appstreamcli validate"
# Errors fail the check; warnings are printed for whoever reads the log.
if lintian --fail-on error --no-tag-display-limit "$deb"; then echo "ok       lintian: no errors"
else echo "FAILED   lintian reports errors"; failed=1; fi
exit $failed
