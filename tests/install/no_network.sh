#!/usr/bin/env bash
# A build without the version check (MOVARA_VERSION_CHECK=OFF, as the Debian package is built)
# never touches the network: installed into a scratch prefix and started with a fresh
# configuration (in which an automatic check would be due at once), movara runs under strace
# until its window is up and a while after, and opens no IPv4 or IPv6 socket. A build with the
# check is skipped: its server is not on this machine.
set -euo pipefail
build=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
if ! grep -q '^MOVARA_VERSION_CHECK:BOOL=OFF$' "$build/CMakeCache.txt"; then
  echo "no_network: this build has the version check: skipped"; exit 0
fi
command -v strace >/dev/null || { echo "no_network: strace is not installed: skipped"; exit 0; }
scratch=$(mktemp -d)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
export XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

QT_QPA_PLATFORM=offscreen strace -f -qq -e trace=socket,connect -o "$scratch/trace" \
  "$scratch/prefix/bin/movara" &
pid=$!
# The window's stop handler is in place once the window exists (as in install_layout.sh).
sigterm_bit=$((1 << 14))
program=
for _ in $(seq 300); do
  program=$(pgrep -P "$pid" -x movara || true)
  if [ -n "$program" ]; then
    caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$program/status" 2>/dev/null || echo 0)
    (( (16#$caught & sigterm_bit) != 0 )) && break
  fi
  kill -0 "$pid" 2>/dev/null || fail "movara ended at start"
  sleep 0.1
done
[ -n "$program" ] || fail "movara never started"
# The automatic check would have started with the window; give it time to reach out.
sleep 3
kill -TERM "$program"
wait "$pid" || true
pid=
contacts=$(grep -E 'AF_INET6?[,)]|sin6?_' "$scratch/trace" || true)
[ -z "$contacts" ] || fail "movara opened network sockets:"$'\n'"$contacts"
echo "no_network: $(grep -c . "$scratch/trace") socket calls traced, none for IPv4 or IPv6"
