#!/usr/bin/env bash
# The README's broken-data table, from the rows the broken-data test observed
# (build-asan/tests/reliability/broken_data/, written by scripts/sanitize.sh).
#   scripts/broken-data-table.sh            print the table
#   scripts/broken-data-table.sh --update   put it into README.md between its markers
#   ROWS=DIR scripts/broken-data-table.sh   rows from another build folder
set -euo pipefail
cd "$(dirname "$0")/.."
rows=${ROWS:-build-asan/tests/reliability/broken_data}
if [ ! -d "$rows" ] || [ -z "$(ls -A "$rows")" ]; then
  echo "no rows in $rows: run scripts/sanitize.sh -R BrokenData first" >&2
  exit 1
fi
table=$(
  echo "| file under \`data/\` | missing | empty | first half only | another kind of file |"
  echo "|---|---|---|---|---|"
  cat "$rows"/*.md
)
if [ "${1:-}" != "--update" ]; then
  printf '%s\n' "$table"
  exit 0
fi
begin='<!-- broken-data table: scripts/broken-data-table.sh --update -->'
end='<!-- end of broken-data table -->'
grep -qF "$begin" README.md && grep -qF "$end" README.md || { echo "README.md lacks the table markers" >&2; exit 1; }
tmp=$(mktemp)
printf '%s\n' "$table" >"$tmp"
awk -v b="$begin" -v e="$end" -v t="$tmp" '
  $0 == b { print; while ((getline line < t) > 0) print line; skip = 1; next }
  $0 == e { skip = 0 }
  !skip { print }
' README.md >README.md.tmp
mv README.md.tmp README.md
rm -f "$tmp"
echo "README.md: broken-data table updated from $rows"
