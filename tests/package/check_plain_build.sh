#!/usr/bin/env bash
# A packager's plain CMake build needs only what playing needs: without GoogleTest or Google
# Benchmark it configures, leaving out the tests and benchmarks, with the game to build.
# Usage: check_plain_build.sh SOURCE_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S "$1" -B "$work" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$work/configure.log" 2>&1 ||
    { echo "FAILED: configure without the test libraries:"; cat "$work/configure.log"; exit 1; }
for option in BUILD_TESTING KAZUROI_BENCH; do
    grep -q "^$option:BOOL=OFF$" "$work/CMakeCache.txt" || { echo "FAILED: $option is not OFF"; exit 1; }
done
targets=$(cmake --build "$work" --target help)
grep -q '\.\.\. kazuroi$' <<<"$targets" || { echo "FAILED: no kazuroi target"; exit 1; }
echo "ok: a plain build configures the game without the test libraries"
