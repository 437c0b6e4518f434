#!/usr/bin/env bash
# The package builds bit for bit the same from two clean copies of one commit at two different
# paths, at two different times. Usage: check_reproducible.sh [COMMIT] (HEAD by default)
set -eu
cd "$(dirname "$0")/../.."
commit=$(git rev-parse "${1:-HEAD}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
day=0
for tree in "$work/one" "$work/a/much/longer/path/two"; do
    mkdir -p "$tree"
    git archive "$commit" | tar -x -C "$tree"
    # Files dated as two checkouts a day apart would date them.
    find "$tree" -exec touch -h -d @$(($(date +%s) + day)) {} +
    day=86400
    (cd "$tree" && ./dev package >/dev/null)
done
one=$(ls "$work"/one/build-package/kazuroi_*.deb)
two=$(ls "$work"/a/much/longer/path/two/build-package/kazuroi_*.deb)
if ! cmp "$one" "$two"; then
    echo "FAILED: two builds of $commit differ"
    for deb in "$one" "$two"; do dpkg-deb -c "$deb" | md5sum; done
    exit 1
fi
echo "ok: two builds of ${commit:0:12} at two paths are the same $(basename "$one") ($(sha256sum <"$one" | cut -c1-16))"
