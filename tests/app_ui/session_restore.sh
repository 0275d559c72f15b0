#!/usr/bin/env bash
# The real program under Xvfb, driven by X input: items added and edited (a box unchecked, an
# item moved, another profile chosen), then the program is killed (SIGKILL). The next start
# asks to restore them; Yes (the default button, Return) brings the list back exactly as it was
# (its session file is written again byte for byte); a normal end removes the file. A damaged
# session file is set aside as Session.xml.broken and the program starts empty.
# Usage: session_restore.sh BIN_DIR (the folder of the built movara and its skins)
set -euo pipefail

built=$1
scratch=$(mktemp -d)
xvfb=""
movara=""
cleanup() {
    [ -n "$movara" ] && kill -9 "$movara" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# wait_for SECONDS COMMAND...: true once the command succeeds.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# A portable copy of its own, so the program keeps its files in the scratch folder.
mkdir -p "$scratch/bin" "$scratch/home" "$scratch/run" "$scratch/media"
chmod 700 "$scratch/run"
cp "$built/movara" "$scratch/bin/"
ln -s "$built/skin" "$scratch/bin/skin"
session=$scratch/bin/Session.xml
# The default options without the automatic version check: nothing leaves this machine.
printf '<?xml version="1.0" encoding="UTF-8" ?>\n<VelConfig Version="1.0.0">\r\n<Flag>21064</Flag>\r\n</VelConfig>\r\n' \
    >"$scratch/bin/Movara.cfg"
for name in a b c; do
    ffmpeg -loglevel error -f lavfi -i testsrc2=size=160x120:rate=10:duration=1 \
        -f lavfi -i sine=duration=1 -shortest -c:v mpeg4 -c:a aac "$scratch/media/$name.mp4"
done

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
xvfb=$!
wait_for 10 test -s "$scratch/display" || fail "no X server"
export DISPLAY=:$(cat "$scratch/display")
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_RUNTIME_DIR=$scratch/run
unset DBUS_SESSION_BUS_ADDRESS

start() {
    "$scratch/bin/movara" "$@" >>"$scratch/log" 2>&1 &
    movara=$!
}
# Sets X Y of the window named Movara that is WIDTH x HEIGHT (the main window, 894 x 560, or
# the question); false when there is none.
find_window() {
    local w
    for w in $(xdotool search --name '^Movara$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ]; then
            X0=$X Y0=$Y
            return 0
        fi
    done
    return 1
}
click() {
    xdotool mousemove $((X0 + $1)) $((Y0 + $2)) click 1
    sleep 0.3
}
items() { grep -o '<Name>[^<]*\.mp4</Name>' "$session" 2>/dev/null | tr '\n' ' '; }
edited() {
    [ "$(items)" = "<Name>a.mp4</Name> <Name>c.mp4</Name> <Name>b.mp4</Name> " ] &&
        [ "$(grep -c '<State>8</State>' "$session")" = 1 ] &&
        grep -q '<Profile>1</Profile>' "$session"
}
inode() { stat -c %i "$session" 2>/dev/null || echo none; }
three_items() { [ "$(items | wc -w)" = 3 ]; }
replaced() { [ "$(inode)" != "$kept" ]; }
asking() { [ "$(xdotool search --name '^Movara$' 2>/dev/null | wc -l)" -gt 2 ]; }

# 1. Three files, then edits: b unchecked, c moved above it, c given the next profile.
start "$scratch/media/a.mp4" "$scratch/media/b.mp4" "$scratch/media/c.mp4"
wait_for 20 find_window 894 560 || fail "no main window"
wait_for 20 three_items || fail "the three items were not kept: $(items)"
click 9 124   # b's box
click 60 144  # c's row
click 99 49   # move up
click 330 467 # the profile combo
xdotool key Down Return
wait_for 5 edited || fail "the edits were not kept: $(items)"
cp "$session" "$scratch/before.xml"

# 2. Killed: the file stays; the next start asks, Return answers Yes.
kill -9 "$movara"
wait "$movara" 2>/dev/null || true
[ -f "$session" ] || fail "the session file went with the killed program"
kept=$(inode)
start
wait_for 20 find_window 894 560 || fail "no main window after the kill"
wait_for 20 asking || fail "no question"
sleep 0.5
xdotool key Return
wait_for 10 replaced || fail "the restored list was not kept"
cmp "$scratch/before.xml" "$session" || fail "the restored list differs: $(items)"

# 3. A normal end removes the file.
kill -TERM "$movara"
wait "$movara" || fail "the program did not end normally"
movara=""
[ ! -e "$session" ] || fail "the session file outlived a normal end"

# 4. A damaged file: set aside, no question, an empty list that needs no file.
printf '<Session Version="1"><Items><Item><Source>/a.mp4' >"$session"
start
wait_for 20 find_window 894 560 || fail "no main window with a damaged session"
sleep 1
kill -0 "$movara" || fail "the program ended"
! asking || fail "a question for a damaged file"
[ "$(cat "$session.broken")" = '<Session Version="1"><Items><Item><Source>/a.mp4' ] ||
    fail "the damaged file was not kept aside"
[ ! -e "$session" ] || fail "an empty list left a session file"
kill -TERM "$movara"
wait "$movara" || fail "the program did not end normally"
movara=""
echo "session restore: ok"
