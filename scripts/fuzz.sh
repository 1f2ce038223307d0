#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on)
# into build-asan/ and runs each for SECONDS (two at a time on two cores), starting from its
# seed corpus and the inputs that once found a fault. New inputs gather in
# build-asan/corpus/<target>/, crashes in build-asan/artifacts/<target>/; any crash fails.
# Usage: scripts/fuzz.sh [seconds] [target...]   (targets: chunk events dispatcher png midi)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(chunk events dispatcher png midi)
build=build-asan
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -le 2 ] || jobs=2

# The targets share the sanitizer build of make test-asan (already built when it ran first).
bash scripts/asan-build.sh "${targets[@]/#/orvane-fuzz-}"

export ASAN_OPTIONS="halt_on_error=1 detect_leaks=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1 ${UBSAN_OPTIONS:-}"
# run_target <target>: one fuzzing run; its report goes to build-asan/fuzz-<target>.log and
# its exit status to build-asan/fuzz-<target>.status.
run_target() {
    local t=$1
    local work="$build/corpus/$t" artifacts="$build/artifacts/$t"
    mkdir -p "$work" "$artifacts"
    local inputs=("fuzz/corpus/$t")
    [ -d "fuzz/regressions/$t" ] && inputs+=("fuzz/regressions/$t")
    local status=0
    "$build/fuzz/orvane-fuzz-$t" "$work" "${inputs[@]}" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" > "$build/fuzz-$t.log" 2>&1 || status=$?
    echo "$status" > "$build/fuzz-$t.status"
}

# As many targets at once as there are build jobs (each is single-threaded), every one for the
# full time.
echo "fuzz: ${targets[*]}: ${seconds} s each, $jobs at a time"
for t in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        sleep 1
    done
    rm -f "$build/fuzz-$t.status"
    run_target "$t" &
done
wait
failed=()
for t in "${targets[@]}"; do
    echo "== fuzz $t"
    if [ "$(cat "$build/fuzz-$t.status" 2> /dev/null)" = 0 ]; then
        grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/fuzz-$t.log" || true
        echo "   $(find "$build/corpus/$t" -type f | wc -l) inputs in the working corpus"
    else
        failed+=("$t")
        tail -n 60 "$build/fuzz-$t.log"
        echo "   FAILED: crash input(s) in $build/artifacts/$t/"
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: crashes in: ${failed[*]}"
    exit 1
fi
echo "fuzz: ${#targets[@]} targets, no crash"
