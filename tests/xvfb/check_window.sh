#!/usr/bin/env bash
# The real program on a real X server (Xvfb with openbox), checked as a player meets it: a fresh
# config folder, the start-up box answered from the keyboard, the window grabbed and its pixels
# read, the position stored on close and used at the next start. Then the probe drives the window
# at scale 1 and 2. Exit 77 (skipped) when the X tools are missing.
set -u
game=$1
probe=$2
for tool in Xvfb openbox xdotool import convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (./dev test installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}

Xvfb -displayfd 3 -screen 0 1400x1100x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
export QT_SCALE_FACTOR=1
mkdir -m 700 "$work/run"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

# Reads one pixel of an image as "r,g,b".
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }

start_game() {
    "$game" 2>"$work/game.log" &
    game_pid=$!
    pids+=($game_pid)
    xdotool search --sync --onlyvisible --name '^かずろい$' >/dev/null || fail "no start-up box"
    sleep 0.3
    xdotool key Return
    window=$(xdotool search --sync --onlyvisible --name 'kazuroi$' | head -n 1)
    [ -n "$window" ] || fail "the window did not appear"
    sleep 0.5
}

# First run: nothing stored.
start_game
import -window "$window" "$work/first.png"
size=$(convert "$work/first.png" -format '%wx%h' info:)
# Without a stored position the window's frame is at 100, 100 twips (7, 7); the rest of the
# offset is the window manager's border and title bar.
eval "$(xdotool getwindowgeometry --shell "$window")"
dx=$((X - 7))
dy=$((Y - 7))
[ "$size" = "586x493" ] || fail "client area is $size, not 586x493"
echo "ok: client area 586x493"
[ "$(pixel "$work/first.png" 440 428)" = "0,255,0" ] || fail "no green bar at its place"
[ "$(pixel "$work/first.png" 519 428)" = "0,255,0" ] || fail "the bar is shorter than 70 %"
track=$(pixel "$work/first.png" 528 428)
[ "$track" != "0,255,0" ] || fail "the bar runs past 70 % of its track"
echo "ok: green bar at 70 % of its track ($track beyond)"
ink=$(convert "$work/first.png" -crop 345x41+32+16 -colorspace gray -threshold 40% -format '%[fx:mean]' info:)
awk -v m="$ink" 'BEGIN { exit !(m < 0.97) }' || fail "the title label looks blank ($ink)"
echo "ok: the title label shows its text"

# Closing stores the position, with its leading blank.
xdotool windowactivate --sync "$window" key alt+F4
wait "$game_pid" || fail "the game did not exit cleanly"
ini="$XDG_CONFIG_HOME/kazuroi/kazuroi.ini"
grep -q '^Left=" 100"$' "$ini" && grep -q '^Top=" 100"$' "$ini" || fail "stored: $(cat "$ini")"
echo "ok: closing stored Left and Top as \" 100\""

# Second run: the stored position places the window.
printf '[Startup]\nLeft=" 1500"\nTop=" 960"\n' >"$ini"
start_game
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -eq $((100 + dx)) ] && [ "$Y" -eq $((64 + dy)) ] ||
    fail "window at $X,$Y, not at 1500, 960 twips"
echo "ok: the next start opens at the stored position"
xdotool windowactivate --sync "$window" key alt+F4
wait "$game_pid"
grep -q '^Left=" 1500"$' "$ini" && grep -q '^Top=" 960"$' "$ini" || fail "stored: $(cat "$ini")"
echo "ok: a window left where it opened stores the same position"

# The probe: rings, a wrong answer, the panel; then the same at twice the pixels.
"$probe" || fail "probe at scale 1"
QT_SCALE_FACTOR=2 "$probe" || fail "probe at scale 2"
echo "all window checks passed"
