#!/usr/bin/env bash
# Runs the Windows build under Wine, inside one Xvfb server and one Wine prefix per run:
#  1. every module and program imports system DLLs only (everything else is linked statically),
#     and the plug-in exports exactly ResMap, VSTPluginMain and main;
#  2. every cross-built test program (build-win32/tests/*/orvane-tests-*.exe) passes;
#  3. the Win32 host program loads the plug-in through main, opens the editor in its window,
#     drags a knob with real mouse input, sees the automation and captures the editor
#     (test-logs/editor.png);
#  4. orvane-render.exe renders the demo through the DLL, and the WAV equals the Linux build's
#     render of the same file (the Linux build directory is $LINUX_BUILD, default build/).
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
        done < <(i686-w64-mingw32-objdump -p "$f" 2> /dev/null | awk '/DLL Name:/ {print $3}')
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

# The plug-in's export table: ordinal lines "[   n] name" after "Ordinal/Name Pointer".
plugin_dll=$build/plugin/orvane-piano.dll
if [ -f "$plugin_dll" ]; then
    exports=$(i686-w64-mingw32-objdump -p "$plugin_dll" |
        sed -n '/Ordinal\/Name Pointer/,/^$/p' | awk '/\[ *[0-9]+\]/ {print $NF}' | sort | xargs)
    if [ "$exports" = "ResMap VSTPluginMain main" ]; then
        passed=$((passed + 1))
        echo "test-windows: exports: $exports"
    else
        failed=$((failed + 1))
        failures+=("exports")
        echo "test-windows: orvane-piano.dll exports '$exports'" >&2
    fi
fi

# A wineserver left from an earlier run may hold a display that no longer exists.
wineserver -k 2> /dev/null || true

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

# 3. The host program: each "ok:" line is a passed check, each "FAILED:" line a failed one.
host_exe=$build/tests/win32/orvane-win32-host.exe
if [ -f "$host_exe" ] && [ -f "$plugin_dll" ] && [ ${#suites[@]} -eq 0 ]; then
    mkdir -p "$build/test-logs"
    log=$build/test-logs/orvane-win32-host.log
    status=0
    (cd "$build" && timeout 600 wine "$host_exe" "$plugin_dll" test-logs/editor.png) \
        > "$log" 2>&1 || status=$?
    tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
    ok=$(grep -c '^ok:' "$log" || true)
    bad=$(grep -c '^FAILED:' "$log" || true)
    if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
        bad=1
    fi
    [ "$bad" -eq 0 ] || { cat "$log" >&2; failures+=("orvane-win32-host"); }
    grep -E '^(Decay|background):' "$log" | sed 's/^/test-windows: host: /'
    echo "test-windows: orvane-win32-host: $ok passed, $bad failed (capture: test-logs/editor.png)"
    passed=$((passed + ok))
    failed=$((failed + bad))
fi

# 4. The Windows renderer against the Linux one: same MIDI file, same plug-in sources. The
#    renderer finds the DLL by itself (../plugin/ from its folder), as it does on Linux.
render_exe=$build/tools/orvane-render.exe
linux_build=${LINUX_BUILD:-$root/build}
if [ -f "$render_exe" ] && [ ${#suites[@]} -eq 0 ]; then
    mkdir -p "$build/test-logs"
    log=$build/test-logs/orvane-render.log
    windows_wav=$build/test-logs/demo-windows.wav
    linux_wav=$build/test-logs/demo-linux.wav
    status=0
    cp "$root/examples/demo.mid" "$build/test-logs/demo.mid"
    (cd "$build/test-logs" && timeout 900 wine "$render_exe" demo.mid demo-windows.wav) \
        > "$log" 2>&1 || status=$?
    "$linux_build/tools/orvane-render" --quiet "$root/examples/demo.mid" "$linux_wav" \
        >> "$log" 2>&1 || status=$?
    tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
    # Both builds compute in SSE single precision from the same sources: the renders are
    # expected to be identical; 1e-6 of full scale (-120 dB) allows for a libm difference.
    if [ "$status" -eq 0 ] && "$linux_build/tools/wavdiff/orvane-wavdiff" "$linux_wav" \
        "$windows_wav" --max 1e-6 > "$log.diff" 2>&1; then
        passed=$((passed + 1))
        echo "test-windows: orvane-render.exe: $(cat "$log.diff")"
    else
        failed=$((failed + 1))
        failures+=("orvane-render")
        cat "$log" "$log.diff" >&2 || true
    fi
fi

[ ${#failures[@]} -eq 0 ] || echo "test-windows: failed: ${failures[*]}" >&2
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
