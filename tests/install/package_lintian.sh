#!/usr/bin/env bash
# Builds the Debian package from a build folder (no install, no root) and checks it as a
# distribution would: lintian with no error and no warning, and appstreamcli's validate-tree on
# the unpacked tree, each when its tool is installed; and, for a build without the version
# check, that the program makes no network contact (no_network.sh). A tree configured with the
# `package` preset gives the package as shipped (optimised, hardened, no version check).
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$scratch/out/movara_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$scratch/out")"

# An optimised tree is hardened: position-independent, full RELRO bound at start, stack
# protector and fortified functions in both programs.
if grep -Eq '^CMAKE_BUILD_TYPE:STRING=(Release|RelWithDebInfo|MinSizeRel)$' "$build/CMakeCache.txt"; then
  dpkg-deb -x "$deb" "$scratch/hardened"
  for program in movara movara-convert; do
    elf=$scratch/hardened/usr/bin/$program
    readelf -h "$elf" | grep -q 'Type:.*DYN' || fail "$program is not position-independent"
    readelf -l "$elf" | grep -q GNU_RELRO || fail "$program has no RELRO segment"
    readelf -d "$elf" | grep -q 'BIND_NOW' || fail "$program is not bound at start (no BIND_NOW)"
    symbols=$(readelf --dyn-syms -W "$elf")
    grep -q '__stack_chk_fail' <<< "$symbols" || fail "$program has no stack protector"
    grep -q '__[a-z]*_chk@' <<< "$symbols" || fail "$program uses no fortified function"
  done
  echo "hardening: PIE, RELRO, BIND_NOW, stack protector and fortified functions in both programs"
fi

if command -v lintian >/dev/null; then
  # Root is how CI runs; lintian only warns about it.
  status=0
  report=$(lintian --tag-display-limit 0 --fail-on error,warning "$deb" 2>&1) || status=$?
  report=$(grep -v 'running with root privileges is not recommended' <<< "$report" || true)
  [ "$status" -eq 0 ] || fail "lintian:"$'\n'"$report"
  echo "lintian: ${report:-no tags}"
else
  echo "lintian is not installed: not checked"
fi

if command -v appstreamcli >/dev/null; then
  dpkg-deb -x "$deb" "$scratch/root"
  appstreamcli validate-tree --no-net "$scratch/root" || fail "appstreamcli validate-tree"
else
  echo "appstreamcli is not installed: not checked"
fi
bash "$(dirname "$0")/no_network.sh" "$build"
echo "package checks: ok"
