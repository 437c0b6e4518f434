#!/usr/bin/env bash
# Without any Japanese font the digits would show as boxes: the game says which package to install,
# in one line on standard error, and starts all the same (its start-up box opens, and SIGTERM
# then ends it). Usage: font_warning.sh GAME FONTCONFIG_FILE
set -u
game=$1
log=$(mktemp)
trap 'rm -f "$log"; kill "$pid" 2>/dev/null' EXIT
FONTCONFIG_FILE=$(realpath "$2") QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$(dirname "$log") "$game" 2>"$log" &
pid=$!
for _ in $(seq 400); do
    grep -q 'fonts-ipafont-gothic' "$log" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$pid" 2>/dev/null || { echo "FAILED: the game did not start"; cat "$log"; exit 1; }
kill -TERM "$pid"
wait "$pid"
status=$?
lines=$(grep -c 'kazuroi: no Japanese font is installed.*fonts-ipafont-gothic' "$log")
[ "$lines" -eq 1 ] || { echo "FAILED: expected one warning line, got:"; cat "$log"; exit 1; }
[ "$status" -eq 0 ] || { echo "FAILED: exit status $status after SIGTERM"; exit 1; }
echo "ok: $(grep 'no Japanese font' "$log")"
