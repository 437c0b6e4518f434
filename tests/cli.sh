#!/usr/bin/env bash
# The command line, answered without a display and without starting the game: --help and
# --version, Qt's own options let through to Qt (which then finds no display, and says so in one
# line), and anything else refused in one line that names it. Usage: cli.sh GAME
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
one_line() { [ ! -s "$out" ] && [ "$(wc -l <"$err")" -eq 1 ] && grep -q "$1" "$err"; }

for option in --help -h; do
    run "$option" || fail "$option: exit $?"
    grep -q '^Usage: kazuroi' "$out" && [ ! -s "$err" ] || fail "$option: $(cat "$out" "$err")"
done
for option in --version -v; do
    run "$option" || fail "$option: exit $?"
    [ "$(cat "$out")" = "kazuroi (かずろい) 3.00.0002" ] || fail "$option: $(cat "$out" "$err")"
done

# No display: one line of the game's, exit 1, whichever display was asked for.
no_display="^kazuroi: no display was found (DISPLAY and WAYLAND_DISPLAY are unset); start it on an X11 or Wayland desktop$"
run
status=$?
[ $status -eq 1 ] && one_line "$no_display" || fail "no display: exit $status, $(cat "$out" "$err")"
env DISPLAY=:4093 "$game" >"$out" 2>"$err"
status=$?
[ $status -eq 1 ] && one_line '^kazuroi: the display :4093 could not be opened;' ||
    fail "a display not there: exit $status, $(cat "$out" "$err")"

# Qt's options go to Qt, one dash or two, values after a blank or '=' as Qt takes them.
for args in "-platform xcb" "--platform xcb" "-display :4093" "-style Fusion" "-style=Fusion" \
    "--stylesheet=s.qss" "-platformtheme gtk3" "-qwindowgeometry 300x200+5+5" "-geometry 1x1" \
    "-qwindowtitle T -qwindowicon i" "-reverse" "-widgetcount" "-session s" "-name n" \
    "-qmljsdebugger=port:1" "-nograb"; do
    # shellcheck disable=SC2086
    run $args
    status=$?
    [ $status -eq 1 ] && grep -q '^kazuroi: .*display' "$err" ||
        fail "'$args' not let through to Qt: exit $status, $(cat "$out" "$err")"
done

# Anything else: exit 2, one line naming the argument at fault.
while IFS='|' read -r args named; do
    # shellcheck disable=SC2086
    run $args
    status=$?
    [ $status -eq 2 ] && one_line "^kazuroi: .*'$named'.*; see kazuroi --help$" ||
        fail "'$args': exit $status, $(cat "$out" "$err")"
done <<'EOF'
--nonsense|--nonsense
file.txt|file.txt
--help more|more
-v -x|-x
-style Fusion --bogus|--bogus
-style|-style
-platform=xcb|-platform=xcb
-sync|-sync
--help -style Fusion|--help
EOF
# One that Qt does not take on the platform asked for: refused once Qt has had its say.
env -u DISPLAY QT_QPA_PLATFORM=offscreen "$game" -geometry 1x1 >"$out" 2>"$err"
status=$?
[ $status -eq 2 ] && grep -q "^kazuroi: unknown argument '-geometry'" "$err" ||
    fail "-geometry on offscreen: exit $status, $(cat "$out" "$err")"
echo "ok: --help, --version, Qt's options, no display, and one line for anything else"
