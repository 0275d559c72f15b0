#!/usr/bin/env bash
# Builds the Debian package from a build folder, installs it into this machine with apt-get,
# converts with the installed movara-convert, removes the package and checks that nothing of it
# is left. Needs root; leaves an existing installation of the package alone.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "needs root to install a package: skipped"; exit 0; }
if dpkg-query -W -f='${Status}' movara 2>/dev/null | grep -q 'install ok installed'; then
  echo "movara is installed on this machine already: skipped"; exit 0
fi

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$scratch/out/movara_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$scratch/out")"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libavcodec-extra libqt6widgets6 libavformat; do
  [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg-query -L movara)
removed=
cleanup() { [ -n "$removed" ] || apt-get purge -y -qq movara >/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT

[ "$(command -v movara-convert)" = /usr/bin/movara-convert ] || fail "movara-convert is not in /usr/bin"
export XDG_CONFIG_HOME=$scratch/config
profile=$(/usr/bin/movara-convert --list-profiles | grep -m1 $'\tmp3\tmp3$' | cut -f1)
[ -n "$profile" ] || fail "the installed movara-convert lists no MP3 profile"
ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=1" "$scratch/tone.wav"
mkdir "$scratch/converted"
/usr/bin/movara-convert --profile "$profile" --output "$scratch/converted" "$scratch/tone.wav" >/dev/null 2>&1 \
  || fail "the installed movara-convert did not convert"
[ -s "$scratch/converted/tone.mp3" ] || fail "no converted file"

apt-get purge -y -qq movara >/dev/null
removed=1
while IFS= read -r f; do
  [ -f "$f" ] && fail "$f is left after removal"
done <<< "$files"
echo "package install, conversion and removal: ok"
