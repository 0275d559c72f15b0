#!/usr/bin/env bash
# The real program under Xvfb with a session bus and the AT-SPI bus of its own: a screen
# reader's walk of the main window (atspi_walk.py) finds every control named.
# Usage: atspi_walk.sh BIN_DIR (the folder of the built movara and its skins)
set -euo pipefail

built=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ] || [ -z "${MOVARA_ATSPI_BUS:-}" ]; then
    MOVARA_ATSPI_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
scratch=$(mktemp -d)
pids=()
# Each helper runs in a process group of its own: the AT-SPI bus launcher leaves a bus daemon
# of its own behind, and the whole group goes.
trap 'for p in "${pids[@]}"; do kill -9 -- "-$p" 2>/dev/null || true; done; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/run"
chmod 700 "$scratch/run"
cp "$built/movara" "$scratch/bin/"
ln -s "$built/skin" "$scratch/bin/skin"
printf '<?xml version="1.0" encoding="UTF-8" ?>\n<VelConfig Version="1.0.0">\r\n<Flag>21064</Flag>\r\n</VelConfig>\r\n' \
    >"$scratch/bin/Movara.cfg"

setsid Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")
export HOME=$scratch XDG_RUNTIME_DIR=$scratch/run QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
setsid /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
pids+=($!)
sleep 1
setsid "$scratch/bin/movara" >"$scratch/log" 2>&1 &
pids+=($!)
/usr/bin/python3 "$here/atspi_walk.py" 30
