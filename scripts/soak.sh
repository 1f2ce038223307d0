#!/usr/bin/env bash
# Builds orvane-soak in the given build folder and renders SECONDS of a dense generated
# performance with random automation through the plug-in (the checks are the program's own).
# Usage: scripts/soak.sh [build dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-600}
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2
cmake --build "$build" --target orvane-soak -j "$jobs"
"$build"/tests/stress/orvane-soak --seconds "$seconds"
