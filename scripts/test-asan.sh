#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer (clang, -O1)
# into build-asan/ (tests, the plug-in module, the tools they drive and the fuzz targets; no
# benchmarks) and runs it with ctest. Any report fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/asan-build.sh
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2

export ASAN_OPTIONS="detect_leaks=1 abort_on_error=0 halt_on_error=1 strict_string_checks=1 detect_stack_use_after_return=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 ${UBSAN_OPTIONS:-}"
cd build-asan && ctest --output-on-failure -j "$jobs"
