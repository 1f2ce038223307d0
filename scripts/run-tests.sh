#!/usr/bin/env bash
# Runs a build's tests with ctest, quietly: on a terminal one progress line, in a log no line
# per passing test; either way every failing test with its output in full, and the summary.
# VERBOSE=1 lists every test.
# Usage: scripts/run-tests.sh <build dir>   (JOBS: tests at once, default 2)
set -euo pipefail
cd "$1"
ctest=(ctest --output-on-failure -j "${JOBS:-2}")
if [ -n "${VERBOSE:-}" ]; then
    exec "${ctest[@]}"
elif [ -t 1 ]; then
    exec "${ctest[@]}" --progress
fi
"${ctest[@]}" | grep -Ev '^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$'
