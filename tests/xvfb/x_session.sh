# Sourced by the checks of the real program on a real X server: a private Xvfb with openbox, a
# fresh config folder, and helpers that wait on state, never on a fixed time. Exits 77 (skipped)
# when the X tools are missing. Expects $game, and takes $screen_size (1400x1100 by default).
for tool in Xvfb openbox xdotool xprop xwininfo import convert flock; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (./dev test installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; done # a hung game ignores SIGTERM
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    [ -s "$work/game.log" ] && sed 's/^/    game: /' "$work/game.log"
    exit 1
}
# Runs the command until it succeeds, for at most 60 seconds (or $wait_seconds): the state is
# waited on, and the limit only says when a busy machine has had more than enough time.
wait_for() {
    local deadline=$((SECONDS + ${wait_seconds:-60}))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

# An X server or window manager that does not come up is the machine's fault, not the game's:
# the check is skipped, saying so.
machine() {
    echo "SKIPPED: $* within ${wait_seconds:-60} s: the machine, not the game"
    exit 77
}
Xvfb -displayfd 3 -screen 0 "${screen_size:-1400x1100}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for test -s "$work/display" || machine "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
export QT_SCALE_FACTOR=1
export LC_ALL=C.UTF-8 # xdotool matches a Japanese title only in a UTF-8 locale
mkdir -m 700 "$work/run"
ini="$XDG_CONFIG_HOME/kazuroi/kazuroi.ini"
# Under load openbox now and then finds the new server not yet taking clients, says so and ends;
# it is started again until it stays.
start_wm() {
    openbox >>"$work/openbox.log" 2>&1 &
    wm_pid=$!
    pids+=($wm_pid)
}
wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' && return
    kill -0 "$wm_pid" 2>/dev/null || start_wm
    return 1
}
start_wm
wait_for wm_ready || machine "openbox did not start ($(tail -n 1 "$work/openbox.log"))"

# The game's visible window whose title matches, found by the game's own pid (both must hold).
window_of() { xdotool search --all --onlyvisible --pid "$game_pid" --name "$1" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_of "$1")" ]; }
running() { kill -0 "$game_pid" 2>/dev/null; }

# Starts the game (under the limits given as arguments, for `ulimit`, with the arguments in
# $game_args, and run by the command in $as_user, such as another user's) with its start-up box
# open.
game_args=()
as_user=()
start_to_box() {
    (
        [ $# -eq 0 ] || ulimit "$@"
        exec "${as_user[@]}" "$game" "${game_args[@]}" 2>"$work/game.log"
    ) &
    game_pid=$!
    pids+=($game_pid)
    wait_for has_window '^かずろい$' || fail "no start-up box"
}

# Starts the game and answers its start-up box: $window is the game's window.
start_game() {
    start_to_box "$@"
    local box
    box=$(window_of '^かずろい$')
    xdotool windowactivate --sync "$box" key Return
    wait_for has_window 'kazuroi$' || fail "the window did not appear"
    window=$(window_of 'kazuroi$')
}

# Waits for the game to end by itself and gives its exit status.
exit_status() {
    wait_for eval '! running' || fail "the game did not end"
    wait "$game_pid"
}
