#!/usr/bin/env bash
# Builds the thread stress program alone with ThreadSanitizer into build-tsan/ and runs it:
# four threads (audio, automation, chunks and displays, editor) on one plug-in. Any report
# fails the run. Usage: scripts/test-tsan.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
build=build-tsan
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DORVANE_SANITIZE=thread -DORVANE_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" --target orvane-stress-threads -j "$jobs"

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
# The sanitizer must be live: a deliberate race has to be reported.
if "$build"/tests/stress/orvane-stress-threads --self-check > "$build/self-check.log" 2>&1; then
    echo "test-tsan: ThreadSanitizer did not report a deliberate race" >&2
    exit 1
fi
grep -q "WARNING: ThreadSanitizer: data race" "$build/self-check.log" || {
    cat "$build/self-check.log" >&2
    exit 1
}
echo "test-tsan: the deliberate race of --self-check was reported"
"$build"/tests/stress/orvane-stress-threads --seconds "$seconds"
