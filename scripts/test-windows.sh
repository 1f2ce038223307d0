#!/usr/bin/env bash
# Runs the Windows build under Wine, inside one Xvfb server and one Wine prefix per run:
#  1. every module and program imports system DLLs only (everything else is linked statically);
#  2. every cross-built test program (build-win32/tests/*/orvane-tests-*.exe) passes.
#
# Usage: scripts/test-windows.sh [build dir] [suite...]   (suites: engine units plugin gui ...)
# WINEDEBUG stays -all unless set by the caller for a diagnosis.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-win32}" && pwd)
shift || true
suites=("$@")

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts while the prefix is made: nothing here uses them.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Under qemu's user-mode emulation (kernels without IA-32 emulation) the 32-bit Wine loader
# reserves, piece by piece, the guest space between 2 GiB and its stack, which qemu puts at the
# top: over a full 4 GiB space that takes minutes per process. A space of 2 GiB (what a 32-bit
# program without the large-address flag uses) plus 16 MiB for the stack, so that the stack
# stays clear of the shared page Wine maps at 0x7ffe0000, starts a program in seconds.
# Ignored where 32-bit programs run natively.
export QEMU_RESERVED_VA=0x81000000

# Wine needs an X server for any window: the whole run lives in one Xvfb.
if [ -z "${ORVANE_IN_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" env ORVANE_IN_XVFB=1 bash "$0" "$build" "$@"
fi

passed=0
failed=0
failures=()

finish() {
    # The prefix's services end with the last program; Xvfb must outlive them.
    timeout 60 wineserver -w || wineserver -k || true
}
trap finish EXIT

# 1. Imports. A Windows host offers these; libstdc++, libgcc, winpthread or zlib DLLs would be
#    missing there.
system_dlls="kernel32.dll user32.dll gdi32.dll msvcrt.dll advapi32.dll shell32.dll ole32.dll
oleaut32.dll comdlg32.dll ws2_32.dll winmm.dll version.dll"
check_imports() {
    local bad=0 f dll
    while IFS= read -r -d '' f; do
        while read -r dll; do
            if ! grep -qiw -- "$dll" <<< "$system_dlls"; then
                echo "test-windows: ${f#"$build"/} imports $dll" >&2
                bad=1
            fi
        done < <(i686-w64-mingw32-objdump -p "$f" | awk '/DLL Name:/ {print $3}')
    done < <(find "$build" \( -path "$build/deps" -o -path "$WINEPREFIX" -o -name CMakeFiles \) -prune -o \
        \( -name '*.exe' -o -name '*.dll' \) -type f -print0)
    return $bad
}
if check_imports; then
    passed=$((passed + 1))
    echo "test-windows: imports: system DLLs only"
else
    failed=$((failed + 1))
    failures+=("imports")
fi

# 2. The Wine prefix, made once per run directory.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-windows: creating the Wine prefix"
    wineboot --init > "$build/wineboot.log" 2>&1
    wineserver -w
fi

# run_suite <exe>: one Wine process per test program, from its build folder as under ctest.
run_suite() {
    local exe=$1 name log status
    name=$(basename "$exe" .exe)
    log=$build/test-logs/$name.log
    mkdir -p "$build/test-logs"
    status=0
    (cd "$(dirname "$exe")" && timeout 1800 wine "$(basename "$exe")" --gtest_brief=1) \
        > "$log" 2>&1 || status=$?
    tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
    local ok bad
    ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    ok=${ok:-0}
    bad=${bad:-0}
    if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
        bad=1 # crashed or timed out before its summary
        echo "test-windows: $name ended with status $status before its summary" >&2
        tail -n 20 "$log" >&2
    elif [ "$bad" -ne 0 ]; then
        grep -E '^\[  FAILED  \]|Failure|error:' "$log" | head -n 40 >&2
    fi
    echo "test-windows: $name: $ok passed, $bad failed"
    passed=$((passed + ok))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || failures+=("$name")
}

mapfile -t programs < <(find "$build/tests" -maxdepth 2 -name 'orvane-tests-*.exe' | sort)
for exe in "${programs[@]}"; do
    if [ ${#suites[@]} -gt 0 ]; then
        suite=$(basename "$exe" .exe)
        suite=${suite#orvane-tests-}
        [[ " ${suites[*]} " == *" $suite "* ]] || continue
    fi
    run_suite "$exe"
done

[ ${#failures[@]} -eq 0 ] || echo "test-windows: failed: ${failures[*]}" >&2
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
