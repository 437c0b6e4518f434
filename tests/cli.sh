#!/usr/bin/env bash
# The command line, answered without a display and without starting the game. Usage: cli.sh GAME
set -u
game=$1
fail() {
    echo "FAILED: $*"
    exit 1
}
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$game" "$@" >"$out" 2>"$err"; }
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

for option in --help -h; do
    run "$option" || fail "$option: exit $?"
    grep -q '^Usage: kazuroi' "$out" && [ ! -s "$err" ] || fail "$option: $(cat "$out" "$err")"
done
for option in --version -v; do
    run "$option" || fail "$option: exit $?"
    [ "$(cat "$out")" = "kazuroi (かずろい) 3.00.0002" ] || fail "$option: $(cat "$out" "$err")"
done
for args in --nonsense "-platform offscreen" "file.txt" "--help more"; do
    # shellcheck disable=SC2086
    run $args
    status=$?
    [ $status -eq 2 ] || fail "'$args': exit $status"
    [ ! -s "$out" ] && [ "$(wc -l <"$err")" -eq 1 ] && grep -q "kazuroi --help" "$err" ||
        fail "'$args': $(cat "$out" "$err")"
done
echo "ok: --help, --version, and one line on standard error for anything else"
