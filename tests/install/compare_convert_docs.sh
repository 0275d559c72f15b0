#!/usr/bin/env bash
# movara-convert's --help, its manual page and the README's movara-convert section name the
# same options: a new option must reach all three.
set -euo pipefail
bin=$1
source_dir=$2
options() { grep -o -- '--[a-z][a-z-]*[a-z]' | sort -u; }

help=$("$bin" --help | options)
man=$(sed 's/\\-/-/g' "$source_dir/data/movara-convert.1" | options)
readme=$(sed -n '/^## movara-convert/,/^## [^m]/p' "$source_dir/README.md" | options)
status=0
for doc in man readme; do
  if ! diff <(echo "$help") <(echo "${!doc}") >/dev/null; then
    echo "FAIL: --help and the $doc page differ in options (< only in --help, > only in $doc):"
    diff <(echo "$help") <(echo "${!doc}") | grep '^[<>]' || true
    status=1
  fi
done
[ "$status" -ne 0 ] || echo "--help, manual page and README name the same $(echo "$help" | wc -l) options"
exit $status
