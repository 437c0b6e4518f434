#!/usr/bin/env bash
# The real program on a real X server (Xvfb with openbox), checked as a player meets it: a fresh
# config folder, the start-up box answered from the keyboard, the window grabbed and its pixels
# read, the position stored on close and used at the next start, the game ended from outside.
# Then the probe drives the window at scale 1 and 2. Every step waits for the state it needs,
# never for a fixed time. Exit 77 (skipped) when the X tools are missing.
set -u
game=$1
probe=$2
for tool in Xvfb openbox xdotool xprop import convert; do
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
    [ -s "$work/game.log" ] && sed 's/^/    game: /' "$work/game.log"
    exit 1
}
# Runs the command until it succeeds, for at most 20 seconds.
wait_for() {
    local deadline=$((SECONDS + 20))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

Xvfb -displayfd 3 -screen 0 1400x1100x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
export QT_SCALE_FACTOR=1
export LC_ALL=C.UTF-8 # xdotool matches a Japanese title only in a UTF-8 locale
mkdir -m 700 "$work/run"
openbox >/dev/null 2>&1 &
pids+=($!)
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wait_for wm_ready || fail "openbox did not start"

# Reads one pixel of an image as "r,g,b".
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# The game's visible window whose title matches, found by the game's own pid (both must hold).
window_of() { xdotool search --all --onlyvisible --pid "$game_pid" --name "$1" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_of "$1")" ]; }
running() { kill -0 "$game_pid" 2>/dev/null; }
# Grabs the main window into $1 once the green bar shows, so the shot is of a drawn window.
grab_drawn() {
    import -window "$window" "$1" 2>/dev/null && [ "$(pixel "$1" 440 428)" = "0,255,0" ]
}

start_game() {
    "$game" 2>"$work/game.log" &
    game_pid=$!
    pids+=($game_pid)
    wait_for has_window '^かずろい$' || fail "no start-up box"
    local box
    box=$(window_of '^かずろい$')
    xdotool windowactivate --sync "$box" key Return
    wait_for has_window 'kazuroi$' || fail "the window did not appear"
    window=$(window_of 'kazuroi$')
    wait_for grab_drawn "$work/shot.png" || fail "the window was never drawn"
}

close_game() {
    xdotool windowactivate --sync "$window" key alt+F4
    wait_for eval '! running' || fail "the game did not end on alt+F4"
    wait "$game_pid" || fail "the game did not exit cleanly"
}

# First run: nothing stored.
start_game
size=$(convert "$work/shot.png" -format '%wx%h' info:)
[ "$size" = "586x493" ] || fail "client area is $size, not 586x493"
echo "ok: client area 586x493"
[ "$(pixel "$work/shot.png" 519 428)" = "0,255,0" ] || fail "the bar is shorter than 70 %"
track=$(pixel "$work/shot.png" 528 428)
[ "$track" != "0,255,0" ] || fail "the bar runs past 70 % of its track"
echo "ok: green bar at 70 % of its track ($track beyond)"
ink=$(convert "$work/shot.png" -crop 345x41+32+16 -colorspace gray -threshold 40% -format '%[fx:mean]' info:)
awk -v m="$ink" 'BEGIN { exit !(m < 0.97) }' || fail "the title label looks blank ($ink)"
echo "ok: the title label shows its text"

# Closing stores the position, with its leading blank.
close_game
ini="$XDG_CONFIG_HOME/kazuroi/kazuroi.ini"
grep -q '^Left=" 100"$' "$ini" && grep -q '^Top=" 100"$' "$ini" || fail "stored: $(cat "$ini")"
echo "ok: closing stored Left and Top as \" 100\""

# Second run: the stored position places the window (the rest of the offset is the window
# manager's border and title bar, as in the first run).
printf '[Startup]\nLeft=" 1500"\nTop=" 960"\n' >"$ini"
start_game
eval "$(xdotool getwindowgeometry --shell "$window")"
first_x=$X first_y=$Y
close_game
grep -q '^Left=" 1500"$' "$ini" && grep -q '^Top=" 960"$' "$ini" || fail "stored: $(cat "$ini")"
rm "$ini"
start_game
eval "$(xdotool getwindowgeometry --shell "$window")"
[ $((first_x - X)) -eq $((100 - 7)) ] && [ $((first_y - Y)) -eq $((64 - 7)) ] ||
    fail "window at $first_x,$first_y with 1500, 960 stored and at $X,$Y with nothing"
echo "ok: the stored position places the window, and is stored again as it was"

# A logout or kill ends the game as closing it does: the position is stored.
kill -TERM "$game_pid"
wait_for eval '! running' || fail "SIGTERM did not end the game"
grep -q '^Left=" 100"$' "$ini" || fail "SIGTERM stored nothing"
echo "ok: SIGTERM closes the game and stores its position"

# The window destroyed by another X client: the game ends instead of running on without it.
start_game
xdotool windowclose "$window"
wait_for eval '! running' || fail "the game runs on without its window"
echo "ok: a destroyed window ends the game"

# The probe: rings, a wrong answer, the panel; then the same at twice the pixels.
"$probe" || fail "probe at scale 1"
QT_SCALE_FACTOR=2 "$probe" || fail "probe at scale 2"
echo "all window checks passed"
