#!/usr/bin/env bash
# The demo: until the instrument plays through the plug-in, it runs the key-voice benchmark.
set -euo pipefail
build=${1:-build}
exec "$build"/bench/engine/orvane-bench-engine --benchmark_counters_tabular=true
