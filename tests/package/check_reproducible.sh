#!/usr/bin/env bash
# The package builds bit for bit the same from two clean copies of one commit at two different
# paths, by builders with different umasks, clocks (another time of day) and time zones.
# Usage: check_reproducible.sh [COMMIT] (HEAD by default)
set -eu
cd "$(dirname "$0")/../.."
commit=$(git rev-parse "${1:-HEAD}")
command -v faketime >/dev/null || { echo "FAILED: faketime is not installed (./dev package installs it)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
one=$work/one
two=$work/a/much/longer/path/two
for tree in "$one" "$two"; do
    mkdir -p "$tree"
    git archive "$commit" | tar -x -C "$tree"
done
(cd "$one" && umask 022 && TZ=UTC ./dev package >/dev/null)
# Seven hours on, and fourteen hours east of UTC: another date and time of day in every program
# of the build.
(cd "$two" && umask 002 && TZ=Pacific/Kiritimati faketime -f '+7h' ./dev package >/dev/null)
one=$(ls "$one"/build-package/kazuroi_*.deb)
two=$(ls "$two"/build-package/kazuroi_*.deb)
if ! cmp "$one" "$two"; then
    echo "FAILED: two builds of $commit differ"
    for deb in "$one" "$two"; do
        ar tv "$deb"
        dpkg-deb -c "$deb" | md5sum
    done
    exit 1
fi
echo "ok: two builds of ${commit:0:12} at two paths, umasks, clocks and time zones are the same $(basename "$one") ($(sha256sum <"$one" | cut -c1-16))"
