#!/usr/bin/env bash
# The command line and what the game needs to start, answered without a display and without
# starting the game: --help and --version, Qt's own options let through to Qt (which then finds
# no display, and says so in one line), and anything else refused in one line that names it.
# Every run is bounded: an argument wrongly let through fails here, not at ctest's own limit.
# Usage: cli.sh GAME
set -u
game=$(readlink -f "$1")
fail() {
    echo "FAILED: $*"
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=$work/out
err=$work/err
# The game with no display, for 30 s at most (it answers in milliseconds; a run that waits is a
# fault, reported as exit 124).
bounded() { timeout -k 5 30 "$@" >"$out" 2>"$err"; }
run() { bounded env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$game" "$@"; }
one_line() { [ ! -s "$out" ] && [ "$(wc -l <"$err")" -eq 1 ] && grep -q "$1" "$err"; }
cd "$work" || fail "no work folder"
touch s.qss i

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
bounded env DISPLAY=:4093 "$game"
status=$?
[ $status -eq 1 ] && one_line '^kazuroi: the display :4093 could not be opened;' ||
    fail "a display not there: exit $status, $(cat "$out" "$err")"

# Qt's options go to Qt, one dash or two, values after a blank or '=' as Qt takes them.
for args in "-platform xcb" "--platform xcb" "-display :4093" "-style Fusion" "-style=Fusion" \
    "--stylesheet=s.qss" "-stylesheet s.qss" "-platformtheme gtk3" "-qwindowgeometry 300x200+5+5" \
    "-geometry 1x1" "-qwindowtitle T -qwindowicon i" "-reverse" "-widgetcount" "-session s" \
    "-name n" "-qmljsdebugger=port:1" "-nograb"; do
    # shellcheck disable=SC2086
    run $args
    status=$?
    [ $status -eq 1 ] && grep -q '^kazuroi: .*display' "$err" ||
        fail "'$args' not let through to Qt: exit $status, $(cat "$out" "$err")"
done

# Anything else: exit 2, one line naming the argument at fault.
mkfifo fifo
while IFS='|' read -r args named; do
    # shellcheck disable=SC2086
    run $args
    status=$?
    [ $status -eq 2 ] && one_line "^kazuroi: .*'$named'.*; see kazuroi --help$" ||
        fail "'$args': exit $status, $(cat "$out" "$err")"
done <<'EOF2'
--nonsense|--nonsense
file.txt|file.txt
--help more|more
-v -x|-x
-style Fusion --bogus|--bogus
-style|-style
-platform=xcb|-platform=xcb
-sync|-sync
--help -style Fusion|--help
-stylesheet fifo|-stylesheet fifo
--stylesheet=fifo|--stylesheet=fifo
-stylesheet .|-stylesheet \.
-qwindowicon missing.png|-qwindowicon missing.png
EOF2
# One that Qt does not take on the platform asked for: refused once Qt has had its say.
bounded env -u DISPLAY QT_QPA_PLATFORM=offscreen "$game" -geometry 1x1
status=$?
[ $status -eq 2 ] && grep -q "^kazuroi: unknown argument '-geometry'" "$err" ||
    fail "-geometry on offscreen: exit $status, $(cat "$out" "$err")"

# What a terminal would take as a command, or garble, is shown escaped.
run $'\e[2J\e[31m' $'bad\xff'
status=$?
[ $status -eq 2 ] && one_line "^kazuroi: unknown argument '\\\\x1B\[2J\\\\x1B\[31m'" ||
    fail "an escape sequence echoed: exit $status, $(cat -v "$out" "$err")"

# Every start that cannot go on ends in one line and status 1, never an abort: a platform Qt
# cannot load, too few files that may be open, a Wayland display this Qt cannot use.
while IFS='|' read -r what command expected; do
    bounded bash -c "$command" _ "$game"
    status=$?
    [ $status -eq 1 ] && one_line "$expected" || fail "$what: exit $status, $(cat "$out" "$err")"
done <<'EOF2'
-platform nonsense|"$1" -platform nonsense|^kazuroi: the Qt platform 'nonsense' cannot be loaded here; these can: .*xcb
-platform ""|"$1" -platform ""|^kazuroi: the Qt platform '' cannot be loaded here
QT_QPA_PLATFORM=nonsense|QT_QPA_PLATFORM=nonsense "$1"|^kazuroi: the Qt platform 'nonsense' cannot be loaded
ulimit -n 10|ulimit -n 10; exec "$1"|^kazuroi: only 10 files may be open at once
WAYLAND_DISPLAY alone|env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-7 "$1"|^kazuroi: DISPLAY is unset.*Wayland display wayland-7
EOF2
# A soft limit below it is raised to what the hard limit allows, and the game goes on (to the
# display it then lacks).
bounded bash -c 'ulimit -Sn 10 && exec env -u DISPLAY -u WAYLAND_DISPLAY "$1"' _ "$game"
[ $? -eq 1 ] && one_line "$no_display" || fail "a low soft limit: $(cat "$out" "$err")"
# A scale of 0 or below is set aside in one line, and the game goes on.
for scale in 0 -2 abc; do
    bounded env -u DISPLAY -u WAYLAND_DISPLAY QT_SCALE_FACTOR=$scale "$game"
    [ $? -eq 1 ] && [ "$(wc -l <"$err")" -eq 2 ] &&
        head -n 1 "$err" | grep -q "^kazuroi: QT_SCALE_FACTOR=$scale is ignored" ||
        fail "QT_SCALE_FACTOR=$scale: $(cat "$out" "$err")"
done
echo "ok: --help, --version, Qt's options, no display, one line for anything else, and no abort"
