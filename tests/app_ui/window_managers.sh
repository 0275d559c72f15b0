#!/usr/bin/env bash
# The real program under Xvfb with no window manager, with Openbox and with xfwm4 (each
# reparents its windows into frames of its own), at scale 1 and 2 on a 1920 x 1080 screen:
# - F10 opens the main menu at the same place relative to the window under every manager as
#   without one;
# - dragging the caption by 100 and 40 pixels moves the window by that;
# - the window fits the screen at every scale, and a double click on the caption maximises it.
# Usage: window_managers.sh BIN_DIR (the folder of the built movara and its skins)
set -euo pipefail

built=$(cd "$1" && pwd)
scratch=$(mktemp -d)
xvfb=""
wm=""
movara=""
stop_all() {
    [ -n "$movara" ] && kill -9 "$movara" 2>/dev/null || true
    [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    movara="" wm="" xvfb=""
}
trap 'stop_all; rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

mkdir -p "$scratch/bin" "$scratch/home" "$scratch/run"
chmod 700 "$scratch/run"
cp "$built/movara" "$scratch/bin/"
ln -s "$built/skin" "$scratch/bin/skin"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_RUNTIME_DIR=$scratch/run
unset DBUS_SESSION_BUS_ADDRESS

# The main window: its id in $main and its geometry in X0 Y0 W0 H0 (the largest window named
# Movara; the program's other windows are smaller).
find_main() {
    local w best=0
    main=""
    for w in $(xdotool search --onlyvisible --name '^Movara$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [ $((WIDTH * HEIGHT)) -gt "$best" ]; then
            best=$((WIDTH * HEIGHT)) main=$w X0=$X Y0=$Y W0=$WIDTH H0=$HEIGHT
        fi
    done
    [ -n "$main" ]
}
# The open pop-up menu's top-left corner in MX MY (a visible window of the program besides the
# main window).
find_popup() {
    local w
    for w in $(xdotool search --onlyvisible --class movara 2>/dev/null); do
        [ "$w" = "$main" ] && continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 40 ] && [ "$HEIGHT" -gt 40 ] || continue
        MX=$X MY=$Y
        return 0
    done
    return 1
}
no_popup() { ! find_popup; }
# True when the main window stands within a pixel or two (of the scale) of X Y.
moved_by() {
    local slack=$((2 * scale))
    find_main && [ $((X0 - $1)) -ge -$slack ] && [ $((X0 - $1)) -le $slack ] &&
        [ $((Y0 - $2)) -ge -$slack ] && [ $((Y0 - $2)) -le $slack ]
}

# start WM SCALE: a fresh X server, the manager ("none" for none) and the program.
start() {
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
    xvfb=$!
    wait_for 10 test -s "$scratch/display" || fail "no X server"
    export DISPLAY=:$(cat "$scratch/display")
    : >"$scratch/display"
    case $1 in
    openbox) openbox --sm-disable >/dev/null 2>&1 & wm=$! ;;
    # xfwm4 reads its settings over a session bus of its own; it ends with the X server. No
    # accessibility bus is started for it: nothing would end that one.
    xfwm4) NO_AT_BRIDGE=1 dbus-run-session -- xfwm4 --compositor=off --sm-client-disable \
        >/dev/null 2>&1 &
        wm=$! ;;
    esac
    sleep 1
    printf '<?xml version="1.0" encoding="UTF-8" ?>\n<VelConfig Version="1.0.0">\r\n<Flag>21064</Flag>\r\n</VelConfig>\r\n' \
        >"$scratch/bin/Movara.cfg"
    QT_SCALE_FACTOR=$2 "$scratch/bin/movara" >>"$scratch/log" 2>&1 &
    movara=$!
    wait_for 20 find_main || fail "$1 x$2: no main window"
    sleep 1
    if [ "$1" = none ]; then
        xdotool windowfocus "$main"
    else
        xdotool windowactivate --sync "$main"
    fi
    sleep 0.5
    find_main
}

menu_offset=""
for scale in 1 2; do
    for manager in none openbox xfwm4; do
        start "$manager" "$scale"
        what="$manager x$scale"
        [ $((X0 + W0)) -le 1920 ] && [ $((Y0 + H0)) -le 1080 ] && [ "$X0" -ge 0 ] &&
            [ "$Y0" -ge 0 ] || fail "$what: the window $W0 x $H0 at $X0,$Y0 leaves the screen"

        # The main menu, where F10 opens it, relative to the window.
        xdotool key F10
        wait_for 5 find_popup || fail "$what: F10 opened no menu"
        offset="$((MX - X0)),$((MY - Y0))"
        # Without a manager nothing moves windows about: that place is the reference.
        [ "$manager" = none ] && menu_offset=$offset
        [ "$offset" = "$menu_offset" ] ||
            fail "$what: the menu opened at $offset from the window, not $menu_offset"
        xdotool key Escape
        wait_for 5 no_popup || fail "$what: the menu stayed open"

        # A drag on the caption, clear of its title and buttons.
        x=$((X0 + W0 / 2)) y=$((Y0 + 8 * scale))
        startX=$X0 startY=$Y0
        # Towards the larger free space: managers hold windows at the screen's edges. The move
        # starts with the first motion; a manager takes its distance from there.
        room=$((1920 - X0 - W0)) dx=100 dy=40
        [ "$room" -ge "$X0" ] || room=$X0 dx=-100
        # Clear of the edges that managers snap windows to.
        [ "$room" -gt 130 ] || dx=$((dx * (room / 2) / 500 * 5))
        [ $((1080 - Y0 - H0)) -ge "$Y0" ] || dy=-40
        [ "$H0" -lt 1030 ] || dy=0
        xdotool mousemove "$x" "$y" mousedown 1
        sleep 0.2
        xdotool mousemove $((dx < 0 ? x - scale : x + scale)) "$y"
        sleep 0.2
        for step in 1 2 3 4 5; do
            xdotool mousemove $((x + dx * step / 5)) $((y + dy * step / 5))
            sleep 0.1
        done
        xdotool mouseup 1
        wait_for 5 moved_by $((startX + dx)) $((startY + dy)) ||
            fail "$what: a drag by $dx,$dy moved the window from $startX,$startY to $X0,$Y0"

        # A double click on the caption maximises (a window manager is needed for that).
        if [ "$manager" != none ]; then
            find_main
            xdotool mousemove $((X0 + W0 / 2)) $((Y0 + 8 * scale)) click --repeat 2 --delay 80 1
            maximised() { find_main && [ "$W0" -ge 1900 ] && [ "$H0" -ge 1000 ]; }
            wait_for 5 maximised || fail "$what: not maximised ($W0 x $H0)"
        fi
        echo "$what: ok"
        stop_all
    done
done
echo "window managers: ok"
