#!/usr/bin/env bash
# A save killed half-way: SIGKILL at a system call the test chooses (strace injects it) while the
# real program stores its position. The settings file stays as it was, and the next start removes
# what the save left beside it, and nothing else.
# Usage: check_killed_save.sh GAME. Exit 77 (skipped) when the X tools or strace are missing.
set -u
game=$1
if ! command -v strace >/dev/null; then
    echo "SKIPPED: strace is not installed (./dev test installs it)"
    exit 77
fi
. "$(dirname "$0")/x_session.sh"

folder=$(dirname "$ini")
mkdir -p "$folder"
printf '; kept by hand\n[Startup]\nLeft=" 4500"\nTop=" 3000"\n' >"$work/plain.ini"
# Top must follow a last line with an open quote: QSettings writes this file itself, with a new
# file and a lock of its own beside the save's.
printf '[Startup]\nLeft=" 4500"\nnote="open' >"$work/rewritten.ini"
others="kazuroi.ini.bak kazuroi.ini~ kazuroi.ini.saving other.ini.saving-abc123"
for name in $others; do echo "another program's" >"$folder/$name"; done

traced() { grep -Eq '^TracerPid:[[:space:]]*[1-9]' "/proc/$game_pid/status"; }
leftovers() { ls -A "$folder" | grep '^kazuroi\.ini\.saving-'; }

renames=rename,renameat,renameat2
for case in "plain fsync" "plain $renames" "rewritten $renames"; do
    read -r file calls <<<"$case"
    cp "$work/$file.ini" "$ini"
    start_game
    strace -qq -f -o /dev/null -p "$game_pid" -e trace="$calls" -e inject="$calls:signal=KILL" &
    tracer=$!
    pids+=($tracer)
    wait_for traced || fail "strace did not attach"
    kill -TERM "$game_pid"
    exit_status; status=$?
    wait "$tracer" 2>/dev/null
    [ "$status" = 137 ] || fail "$file, killed at ${calls%%,*}: exit $status, not killed"
    cmp -s "$ini" "$work/$file.ini" || fail "$file, killed at ${calls%%,*}: the settings changed"
    left=$(leftovers)
    [ -n "$left" ] || fail "$file, killed at ${calls%%,*}: the save left nothing to remove"

    start_game # the next start removes them
    [ -z "$(leftovers)" ] || fail "$file: left after the next start: $(leftovers)"
    for name in $others; do
        [ "$(cat "$folder/$name")" = "another program's" ] || fail "$name was touched"
    done
    kill -TERM "$game_pid"
    exit_status; status=$?
    [ "$status" = 0 ] || fail "$file: the next game ended with $status"
    grep -q '^Left=" 4500"$' "$ini" || fail "$file: the next game stored: $(cat "$ini")"
    echo "ok: $file, killed at ${calls%%,*}, left" $left "and the next start removed them"
done
