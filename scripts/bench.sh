#!/usr/bin/env bash
# Runs every benchmark program that the build produced.
set -euo pipefail
build=${1:-build}
found=0
for b in "$build"/bench/*/orvane-bench-*; do
    [ -x "$b" ] || continue
    found=1
    echo "== $(basename "$b")"
    "$b" --benchmark_counters_tabular=true
done
[ $found -eq 1 ] || echo "no benchmarks built"
