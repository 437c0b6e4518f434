#!/usr/bin/env bash
# Where the window is kept, end to end: the real program, moved by the window manager to a place
# (inside the screen, flush with its far corner, partly off it, far out beyond 2000 pixels) and
# closed in each way a player closes it (the close button, Alt+F4, SIGTERM, SIGINT, SIGHUP):
# the stored Left and Top are exactly the twips of where the window stood, and the next start
# puts it there. (Xvfb gives Qt no second screen: its Xinerama heads all stand at 0,0, and it
# takes no RandR monitors; a wide screen stands in for the far places.)
# Usage: check_place.sh GAME. Exit 77 (skipped) when the X tools are missing.
set -u
game=$1
screen_size=3000x1100
. "$(dirname "$0")/x_session.sh"

# The window's frame, as the window manager has it: "X Y WIDTH HEIGHT" in the screen's pixels.
frame() {
    local x y w h extents
    eval "$(xwininfo -id "$window" | awk -F: '/Absolute upper-left X/ {print "x=" $2 + 0} /Absolute upper-left Y/ {print "y=" $2 + 0}
                                                /^ *Width/ {print "w=" $2 + 0} /^ *Height/ {print "h=" $2 + 0}')"
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    set -- $extents # left right top bottom
    echo "$((x - $1)) $((y - $3)) $((w + $1 + $2)) $((h + $3 + $4))"
}
# The stored line for a coordinate of so many pixels, as the game writes it.
stored() { if [ "$2" -ge 0 ]; then echo "$1=\" $(($2 * 15))\""; else echo "$1=$(($2 * 15))"; fi; }
at() { read -r fx fy _ < <(frame); [ "$fx $fy" = "$1 $2" ]; }

closes=("the close button" "Alt+F4" SIGTERM SIGINT SIGHUP)
expected="7 7" # nothing stored: 100 twips
for round in 0 1 2 3 4 5; do
    start_game
    wait_for at $expected || fail "started at $(frame), not at $expected"
    [ $round -lt 5 ] || break
    read -r _ _ width height < <(frame)
    case $round in
    0) place="300 200" ;;                                           # inside
    1) place="$((3000 - width)) $((1100 - height))" ;;              # flush with the far corner
    2) place="-150 400" ;;                                           # partly off the left edge
    3) place="2200 100" ;;                                           # far out
    4) place="$((3000 - width / 2)) $((1100 - height / 2))" ;;      # partly off the far corner
    esac
    xdotool windowmove --sync "$window" $place
    wait_for at $place || fail "the window manager put the window at $(frame), not $place"
    read -r fx fy fw _ < <(frame)
    case $round in
    0) xdotool mousemove $((fx + fw - 9)) $((fy + 9)) click 1 ;;
    1) xdotool windowactivate --sync "$window" key alt+F4 ;;
    2) kill -TERM "$game_pid" ;;
    3) kill -INT "$game_pid" ;;
    4) kill -HUP "$game_pid" ;;
    esac
    exit_status; status=$?
    [ "$status" = 0 ] || fail "closed by ${closes[$round]}: exit $status"
    grep -qx "$(stored Left "$fx")" "$ini" && grep -qx "$(stored Top "$fy")" "$ini" ||
        fail "the window at $fx, $fy closed by ${closes[$round]} stored: $(cat "$ini")"
    echo "ok: at $fx, $fy, closed by ${closes[$round]}: stored $(stored Left "$fx") $(stored Top "$fy")"
    expected="$fx $fy"
done
kill -TERM "$game_pid"
exit_status >/dev/null
echo "ok: each next start put the window where it was closed"
