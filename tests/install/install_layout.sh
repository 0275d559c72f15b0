#!/usr/bin/env bash
# Installs the build into an empty prefix, checks the layout, then starts the installed program
# with a scratch XDG_CONFIG_HOME: it must find its skin in share/movara and keep its settings
# there, never beside itself (this runs as root on CI, who could write into bin/).
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/movara bin/movara-convert \
         share/movara/skin/Default.skin share/movara/skin/Dark.skin share/movara/help/index.html \
         share/applications/example.movara.Movara.desktop share/metainfo/example.movara.Movara.metainfo.xml \
         share/icons/hicolor/scalable/apps/movara.svg \
         share/icons/hicolor/48x48/apps/movara.png share/icons/hicolor/256x256/apps/movara.png \
         share/man/man1/movara.1.gz share/man/man1/movara-convert.1.gz \
         share/doc/movara/copyright share/doc/movara/changelog.gz; do
  [ -s "$prefix/$f" ] || fail "$f is not installed"
done
for size in 48 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/movara.png" | grep -q "$size x $size" \
    || fail "the ${size}x${size} icon has another size"
done
# Every picture the guide shows is installed with it.
for img in $(grep -o 'src="[^"]*"' "$prefix/share/movara/help/index.html" | cut -d'"' -f2); do
  [ -s "$prefix/share/movara/help/$img" ] || fail "the guide's $img is not installed"
done

# Both programs answer --help and --version with no display at all, and agree on the version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/movara" --version)" = "Movara $version" ] \
  || fail "movara --version does not say $version"
[ "$("$prefix/bin/movara-convert" --version)" = "movara-convert $version" ] \
  || fail "movara-convert --version does not say $version"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/example.movara.Movara.metainfo.xml" \
  || fail "the AppStream data has no release $version"
for page in movara movara-convert; do
  zgrep -q "\"Movara $version\"" "$prefix/share/man/man1/$page.1.gz" || fail "$page.1 is not for $version"
done
zcat "$prefix/share/doc/movara/changelog.gz" | head -1 | grep -q "^movara ($version) " \
  || fail "the change log's latest entry is not for $version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/movara" --help | grep -q '^Usage: movara' \
  || fail "movara --help prints no usage"
status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/movara" --bogus 2>&1) || status=$?
[ "$status" -eq 2 ] && [ "$said" = "movara: Unknown option 'bogus'; see movara --help" ] \
  || fail "movara --bogus without a display ended with $status: $said"

export XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$prefix/bin/movara-convert" --list-profiles | grep -q $'\t3gp\t3gp-176x144$' || fail "movara-convert lists no profiles"

QT_QPA_PLATFORM=offscreen "$prefix/bin/movara" &
pid=$!
# The window's stop handler is in place once the skin loaded and the window exists; a failed
# skin would stop at its message box instead.
sigterm_bit=$((1 << 14))
for _ in $(seq 300); do
  caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
  (( (16#$caught & sigterm_bit) != 0 )) && break
  kill -0 "$pid" 2>/dev/null || fail "movara ended at start"
  sleep 0.1
done
(( (16#$caught & sigterm_bit) != 0 )) || fail "movara never opened its window (no skin?)"
sleep 0.5
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "movara ended with $status after a stop request"
[ -s "$XDG_CONFIG_HOME/Movara/Movara.cfg" ] || fail "no settings under \$XDG_CONFIG_HOME/Movara"
left=$(ls -A "$prefix/bin" | tr '\n' ' ')
[ "$left" = "movara movara-convert " ] || fail "the installed program wrote beside itself: $left"
echo "install layout and first start: ok"
