#!/usr/bin/env bash
# Rebuilds clients.quillory from clients.csv with quillory-cli (the committed document is the
# result). Usage: make-demo.sh path/to/quillory-cli
set -euo pipefail
cli=${1:?path to quillory-cli}
here=$(cd "$(dirname "$0")" && pwd)
doc="$here/clients.quillory"
rm -f "$doc"
"$cli" new "$doc"
"$cli" import "$doc" "$here/clients.csv" --header-names
"$cli" prototype add "$doc" --multi --folder --path 'Clients/<Name>'
"$cli" prototype add "$doc" --multi --path 'Clients/<Name>/letter.txt' --text "@$here/letter.txt"
"$cli" prototype add "$doc" --one --path 'Clients/summary.txt' \
  --head $'Client list\n===========\n' --text '<#>  <Name> (<City>) <Email>' \
  --separator $'\n' --foot $'\n-----------\nMade on <YY>-<M>-<D> at <h>:<m>\n'
"$cli" info "$doc"
