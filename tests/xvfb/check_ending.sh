#!/usr/bin/env bash
# The real program ending from outside under strain: a flood of signals ends it as one signal
# does, every time; a settings folder locked by another program delays its close by a bounded
# time; a file-size limit smaller than the settings file fails the save without killing the game.
# In each, the old settings file stays exactly as it was, and no temporary file is left.
# Usage: check_ending.sh GAME. Exit 77 (skipped) when the X tools are missing.
set -u
game=$1
. "$(dirname "$0")/x_session.sh"

# A settings file with much besides the position, bigger than the file-size limit below.
busy() {
    printf '; kept by hand\n[Startup]\nLeft=" 4500"\nTop=" 3000"\n'
    for s in $(seq 20); do
        printf '\n[Other%s]\n' "$s"
        for k in $(seq 5); do printf 'key%s="value, with text %s"\n' "$k" "$(printf 'x%.0s' $(seq 40))"; done
    done
}
mkdir -p "$(dirname "$ini")"
busy >"$work/busy.ini"

# 100,000 SIGTERMs as fast as they can be sent, until the game is gone.
flood() {
    for ((i = 0; i < 100000; i++)); do kill -TERM "$game_pid" 2>/dev/null || break; done
}
unchanged() { cmp -s "$ini" "$work/busy.ini" && [ -z "$(ls "$(dirname "$ini")" | grep -v '^kazuroi.ini$')" ]; }

for round in 1 2 3; do
    cp "$work/busy.ini" "$ini"
    start_to_box # a box open: the game ends storing nothing
    flood
    exit_status; status=$?
    [ "$status" = 0 ] || fail "flood $round with the start-up box open: exit $status"
    unchanged || fail "flood $round with the start-up box open changed the settings"
    start_game # no box: the game closes as the player closes it, storing its position
    flood
    exit_status; status=$?
    [ "$status" = 0 ] || fail "flood $round in play: exit $status"
    grep -q '^Left=" 4500"$' "$ini" && grep -q '^\[Other20\]$' "$ini" || fail "flood $round stored: $(cat "$ini")"
done
echo "ok: floods of SIGTERM end the game every time, as one signal does"

# Another program holds the settings folder: the close gives up the save after a bounded wait.
cp "$work/busy.ini" "$ini"
start_game
exec {held}<"$(dirname "$ini")"
flock -x "$held" || fail "cannot lock the folder"
kill -TERM "$game_pid"
wait_seconds=10
exit_status; status=$?
unset wait_seconds
exec {held}<&-
[ "$status" = 0 ] || fail "with the folder locked: exit $status"
unchanged || fail "with the folder locked the settings changed"
# One line of the game's own (a sanitizer build may add its report after it).
[ "$(grep -c '^kazuroi:' "$work/game.log")" = 1 ] && grep -q '^kazuroi: .*locked' "$work/game.log" ||
    fail "with the folder locked it said: $(cat "$work/game.log")"
echo "ok: a folder locked elsewhere: $(grep '^kazuroi:' "$work/game.log")"

# A file-size limit of 1 KiB, smaller than the settings file.
cp "$work/busy.ini" "$ini"
start_game -f 1
kill -TERM "$game_pid"
exit_status; status=$?
[ "$status" = 0 ] || fail "under a 1 KiB file-size limit: exit $status"
unchanged || fail "under a 1 KiB file-size limit the settings changed or a file was left"
[ "$(grep -c '^kazuroi:' "$work/game.log")" = 1 ] && grep -q '^kazuroi: .*not stored' "$work/game.log" ||
    fail "under the limit it said: $(cat "$work/game.log")"
echo "ok: under a file-size limit: $(grep 'not stored' "$work/game.log")"
