#!/usr/bin/env bash
# Start-up time and peak memory of the real program under Xvfb, beside a bare Qt window, and the
# CPU it takes while its clock runs (Stage 3), beside the bare window redrawing a bar every 10 ms.
# Usage: bench/startup.sh BUILD_DIR [RUNS]
# kazuroi's first window is its start-up question; its main window follows the answer.
set -eu
build=$1
runs=${2:-10}
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 & # gives each new window the focus, so the answer reaches the box
wm=$!
trap 'kill $wm $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 0.5

now() { date +%s%N; }
# Waits until a visible window with this title exists; prints the milliseconds since $2.
shown() {
    local deadline=$(($(now) + 20000000000))
    until xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
        [ "$(now)" -lt $deadline ] || { echo "no window '$1' within 20 s" >&2; exit 1; }
        sleep 0.005
    done
    echo $((($(now) - $2) / 1000000))
}
peak_kib() { awk '/VmHWM/ { print $2 }' "/proc/$1/status"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for _ in $(seq "$runs"); do
    start=$(now)
    "$build/bench/bare_window" 2>/dev/null &
    pid=$!
    shown '^bare window$' "$start" >>"$work/bare.ms"
    sleep 0.3
    peak_kib $pid >>"$work/bare.kib"
    kill $pid
    wait $pid 2>/dev/null || true

    rm -rf "$XDG_CONFIG_HOME"
    start=$(now)
    "$build/qt/kazuroi" 2>/dev/null &
    pid=$!
    shown '^かずろい$' "$start" >>"$work/box.ms"
    xdotool key Return
    shown 'kazuroi$' "$start" >>"$work/game.ms"
    sleep 0.3
    peak_kib $pid >>"$work/game.kib"
    kill $pid
    wait $pid 2>/dev/null || true
done

# CPU over ten seconds, from /proc: user plus system time of the process.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
"$build/bench/bare_window" --bar 2>/dev/null &
pid=$!
shown '^bare window$' "$(now)" >/dev/null
sleep 1
bare_cpu=$(awk -v t="$(cpu_ticks $pid)" 'BEGIN { print t }')
sleep 10
bare_cpu=$(awk -v a="$bare_cpu" -v b="$(cpu_ticks $pid)" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", (b - a) / hz * 10 }')
kill $pid
rm -rf "$XDG_CONFIG_HOME"
"$build/qt/kazuroi" 2>/dev/null &
pid=$!
shown '^かずろい$' "$(now)" >/dev/null
xdotool key Tab space # いいえ: Stage 3, where the clock runs
shown 'kazuroi$' "$(now)" >/dev/null
sleep 1
game_cpu=$(cpu_ticks $pid)
sleep 10
game_cpu=$(awk -v a="$game_cpu" -v b="$(cpu_ticks $pid)" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", (b - a) / hz * 10 }')
kill $pid

bare_ms=$(median <"$work/bare.ms")
box_ms=$(median <"$work/box.ms")
game_ms=$(median <"$work/game.ms")
bare_kib=$(median <"$work/bare.kib")
game_kib=$(median <"$work/game.kib")
echo "median of $runs runs"
echo "bare Qt window shown:       ${bare_ms} ms, peak ${bare_kib} KiB"
echo "kazuroi start-up box shown: ${box_ms} ms"
echo "kazuroi window shown:       ${game_ms} ms (after the box is answered), peak ${game_kib} KiB"
awk -v a="$box_ms" -v b="$bare_ms" -v m="$game_kib" -v n="$bare_kib" \
    'BEGIN { printf "ratios: start-up %.2f x, memory %.2f x\n", a / b, m / n }'
echo "CPU while the clock runs (10 s): kazuroi ${game_cpu} % of a core, bare window with a bar ${bare_cpu} %"
