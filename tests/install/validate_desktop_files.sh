#!/usr/bin/env bash
# The desktop entry and the AppStream file pass the freedesktop validators, and the entry claims
# a MIME type for every extension the add-files filter offers that the shared MIME database
# knows.
set -euo pipefail
source_dir=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

desktop-file-validate "$source_dir/data/example.movara.Movara.desktop"
appstreamcli validate --no-net "$source_dir/data/example.movara.Movara.metainfo.xml"

claimed=";$(sed -n 's/^MimeType=//p' "$source_dir/data/example.movara.Movara.desktop")"
# .mod here is a camcorder's MPEG; the database knows only the tracker module by that name.
unclaimed_ok=" mod "
globs=/usr/share/mime/globs2
[ -r "$globs" ] || fail "no shared MIME database at $globs"
for ext in $(grep -o '\*\.[A-Za-z0-9]*' "$source_dir/src/app/ui/MediaFileTypes.cpp" | cut -c3- | sort -u); do
  types=$(awk -F: -v e="*.$ext" 'tolower($3) == e { print $2 }' "$globs")
  [ -n "$types" ] || continue
  [[ $unclaimed_ok == *" $ext "* ]] && continue
  found=
  for t in $types; do [[ $claimed == *";$t;"* ]] && found=1; done
  [ -n "$found" ] || fail ".$ext ($types) is not in the desktop entry's MimeType"
done
echo "desktop entry and AppStream data: ok"
