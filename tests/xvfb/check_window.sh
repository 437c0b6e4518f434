#!/usr/bin/env bash
# The real program on a real X server (Xvfb with openbox), checked as a player meets it: a fresh
# config folder, the start-up box answered from the keyboard, the window grabbed and its pixels
# read, the position stored on close and used at the next start, the game ended from outside.
# Then the probe drives the window at scale 1 and 2. Every step waits for the state it needs,
# never for a fixed time. Exit 77 (skipped) when the X tools are missing.
set -u
game=$1
probe=$2
. "$(dirname "$0")/x_session.sh"

# Reads one pixel of an image as "r,g,b".
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }
# Grabs the main window into $1 once the green bar shows, so the shot is of a drawn window.
grab_drawn() {
    import -window "$window" "$1" 2>/dev/null && [ "$(pixel "$1" 440 428)" = "0,255,0" ]
}

start_drawn() {
    start_game
    wait_for grab_drawn "$work/shot.png" || fail "the window was never drawn"
}

close_game() {
    xdotool windowactivate --sync "$window" key alt+F4
    wait_for eval '! running' || fail "the game did not end on alt+F4"
    wait "$game_pid" || fail "the game did not exit cleanly"
}

# First run: nothing stored.
start_drawn
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
grep -q '^Left=" 100"$' "$ini" && grep -q '^Top=" 100"$' "$ini" || fail "stored: $(cat "$ini")"
echo "ok: closing stored Left and Top as \" 100\""

# Second run: the stored position places the window (the rest of the offset is the window
# manager's border and title bar, as in the first run).
printf '[Startup]\nLeft=" 1500"\nTop=" 960"\n' >"$ini"
start_drawn
eval "$(xdotool getwindowgeometry --shell "$window")"
first_x=$X first_y=$Y
close_game
grep -q '^Left=" 1500"$' "$ini" && grep -q '^Top=" 960"$' "$ini" || fail "stored: $(cat "$ini")"
rm "$ini"
# Qt's own options go to Qt and the game starts as ever.
game_args=(-platform xcb -display "$DISPLAY" -style Fusion)
start_drawn
game_args=()
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
start_drawn
xdotool windowclose "$window"
wait_for eval '! running' || fail "the game runs on without its window"
echo "ok: a destroyed window ends the game"

# The probe: colours, fonts, rings, answers, the panel; then the same at twice the pixels; then
# on a screen of 144 dots per inch (Xft.dpi) with Qt's own scaling turned off, where a font given
# in points would grow by half.
"$probe" || fail "probe at scale 1"
QT_SCALE_FACTOR=2 "$probe" || fail "probe at scale 2"
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	144" || fail "cannot set Xft.dpi"
QT_ENABLE_HIGHDPI_SCALING=0 "$probe" || fail "probe at 144 dots per inch"
echo "all window checks passed"
