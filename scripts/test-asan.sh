#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer at -O1 into
# build-asan/ (tests, the plug-in module and the tools they drive; no benchmarks) and runs it
# with ctest. Any report fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-asan
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -fno-sanitize-recover=all" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g -fno-sanitize-recover=all" \
    -DORVANE_SANITIZE=address,undefined -DORVANE_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1 abort_on_error=0 halt_on_error=1 strict_string_checks=1 detect_stack_use_after_return=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 ${UBSAN_OPTIONS:-}"
cd "$build" && ctest --output-on-failure -j "$jobs"
