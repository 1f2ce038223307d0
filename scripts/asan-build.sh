#!/usr/bin/env bash
# Configures build-asan/ (clang, -O1, AddressSanitizer and UndefinedBehaviorSanitizer, with
# libFuzzer's coverage instrumentation so that the fuzz targets share the one build) and builds
# the given targets, or everything. Used by test-asan.sh and fuzz.sh.
# Usage: scripts/asan-build.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-asan
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2

# A folder configured earlier with another compiler cannot switch: start it afresh.
if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++' "$build/CMakeCache.txt"; then
    rm -rf "$build"
fi
flags="-O1 -gline-tables-only -fno-sanitize-recover=all"
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$flags" \
    -DORVANE_SANITIZE=fuzzer-no-link,address,undefined -DORVANE_FUZZ=ON \
    -DORVANE_BUILD_BENCH=OFF > /dev/null
if [ $# -gt 0 ]; then
    cmake --build "$build" -j "$jobs" --target "$@"
else
    cmake --build "$build" -j "$jobs"
fi
