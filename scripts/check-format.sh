#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the root .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.h' '*.cpp' 2>/dev/null | grep -v '^resources/generated/' || true)
[ -n "$files" ] || exit 0
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files; then
    echo "check-format: run 'clang-format -i' on the files above" >&2
    exit 1
fi
