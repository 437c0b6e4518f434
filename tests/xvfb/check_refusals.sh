#!/usr/bin/env bash
# What the player set is honoured, end to end, as a plain user: a settings file made read-only,
# one that is root's, one QSettings cannot read and one too big to be settings each stay byte for
# byte after a start, a move and the close, and the game says why in one line on standard error.
# Usage: check_refusals.sh GAME. Exit 77 (skipped) when the X tools are missing.
set -u
game=$1
. "$(dirname "$0")/x_session.sh"

# As root, the game runs as nobody in a home of nobody's; otherwise as the user running this.
player=$(id -u)
if [ "$player" -eq 0 ]; then
    player=$(id -u nobody) || fail "no user nobody"
    as_user=(setpriv --reuid="$player" --regid="$(id -g nobody)" --clear-groups --)
fi
home=$work/home
mkdir -p "$home/config/kazuroi" "$home/run"
chmod 755 "$work"
chmod 700 "$home/run"
chown -R "$player" "$home"
export XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run HOME=$home
ini=$XDG_CONFIG_HOME/kazuroi/kazuroi.ini

# Each case: what the file holds, how it is made, and the one line the game says of it.
big=$(head -c $((2 << 20)) /dev/zero | tr '\0' ';')
while IFS='|' read -r what text make line; do
    [ "$what" = "root's" ] && [ "$(id -u)" -ne 0 ] && continue # only root can give the file away
    [ "$what" = "over 1 MiB" ] && text=$big
    printf '%b' "$text" >"$ini"
    chown "$player" "$ini"
    eval "$make"
    before=$(sha256sum "$ini")
    start_game
    xdotool windowmove --sync "$window" 300 200
    xdotool windowactivate --sync "$window" key alt+F4
    exit_status; status=$?
    [ "$status" = 0 ] || fail "$what: exit $status"
    [ "$(sha256sum "$ini")" = "$before" ] || fail "$what: the file was changed"
    # One line, that says why (Qt may add its own lines of the platform's, which are not ours).
    ours=$(grep -c '^kazuroi: ' "$work/game.log")
    [ "$ours" -eq 1 ] && grep -q "^kazuroi: .*$line" "$work/game.log" ||
        fail "$what: said $(cat "$work/game.log")"
    echo "ok: $what: kept, and said: $(grep '^kazuroi: ' "$work/game.log")"
    chmod 644 "$ini"
    rm -f "$ini"
done <<'EOF'
read-only|[Startup]\nLeft=" 1500"\nTop=" 960"\n|chmod 444 "$ini"|not stored: .* is read-only (mode 0444)
root's|[Startup]\nLeft=" 1500"\nTop=" 960"\n|chown 0:0 "$ini"|not stored: .* belongs to root (0), not to you
unreadable by QSettings|"open\n|true|not stored: QSettings cannot read line 1 of .*('"open')
over 1 MiB||true|is not read (it is over 1 MiB, which no settings file is); the window opens at its default place
EOF
echo "ok: every file the game may not replace stayed as it was, with one line saying why"
