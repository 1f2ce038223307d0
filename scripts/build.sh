#!/usr/bin/env bash
# Builds the given targets (or everything) in a configured build folder, quietly: one progress
# line that redraws itself on a terminal, every warning, error and compiler message in full, and
# a closing line with the time taken. VERBOSE=1 prints every command instead.
# Usage: scripts/build.sh <build dir> [target...]   (JOBS: parallel jobs, default 2)
set -euo pipefail
build=$1
shift
args=(--build "$build" -j "${JOBS:-2}")
[ $# -eq 0 ] || args+=(--target "$@")

if [ -n "${VERBOSE:-}" ]; then
    exec cmake "${args[@]}" --verbose
fi

echo "build: ${*:-everything} in $build/"
started=$SECONDS
tty=0
[ -t 1 ] && tty=1
# The progress messages ("[ 42%] Building CXX object ...", "Built target ...", or a Ninja
# build's "[12/90] ...") and make's bookkeeping become the one progress line; everything else
# (compiler messages, make's error lines) passes through once that line is cleared.
cmake "${args[@]}" 2>&1 | awk -v tty="$tty" '
    function clear() {
        if (shown) {
            printf "\r\033[K"
            shown = 0
        }
    }
    BEGIN { colour = sprintf("%c", 27) "\\[[0-9;]*m" }
    {
        line = $0
        gsub(colour, "", line)
    }
    line ~ /^\[ *[0-9]+%\] |^\[[0-9]+\/[0-9]+\] / {
        if (tty) {
            match(line, /^\[[^]]*\]/)
            step = substr(line, 2, RLENGTH - 2)
            gsub(/ /, "", step)
            n = split(line, words, " ")
            what = words[n]
            gsub(/CMakeFiles\/[^\/]*\.dir\//, "", what)
            sub(/^\/.*\//, "", what)
            printf "\r\033[Kbuild: %s %s", step, substr(what, 1, 60)
            fflush()
            shown = 1
        }
        next
    }
    line ~ /^(Scanning dependencies|Consolidate compiler generated dependencies) of target / { next }
    line ~ /^g?make(\[[0-9]+\])?: (Entering|Leaving) directory/ { next }
    { clear(); print; fflush() }
    END { clear() }'
echo "build: done in $((SECONDS - started)) s"
