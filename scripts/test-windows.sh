#!/usr/bin/env bash
# Runs the Windows builds under Wine, inside one Xvfb server and one Wine prefix per run. For
# each build directory (32-bit build-win32/, 64-bit build-win64/; the width comes from the
# objdump named in its CMakeCache.txt):
#  1. every module and program imports system DLLs only (everything else is linked statically),
#     and the plug-in exports exactly ResMap, VSTPluginMain and main;
#  2. every cross-built test program (<build>/tests/*/orvane-tests-*.exe) passes;
#  3. the Win32 host program loads the plug-in through main, opens the editor in its window,
#     drags a knob with real mouse input, sees the automation and captures the editor
#     (test-logs/editor.png);
#  4. orvane-render.exe renders the demo through the DLL, and the WAV equals the Linux build's
#     render of the same file (the Linux build directory is $LINUX_BUILD, default build/).
# The prefix is a 64-bit one (in the first build directory), which runs 32-bit programs as well:
# it is made once, and one wineserver serves both widths. 64-bit programs start through wine64,
# natively; 32-bit ones through wine.
#
# Usage: scripts/test-windows.sh [build dir...] [suite...]   (suites: engine units plugin gui ...)
#   The leading arguments that are directories are the build directories (default build-win32).
# WINEDEBUG stays -all unless set by the caller for a diagnosis.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
builds=()
while [ $# -gt 0 ] && [ -d "$1" ]; do
    builds+=("$(cd "$1" && pwd)")
    shift
done
[ ${#builds[@]} -gt 0 ] || builds=("$(cd "$root/build-win32" && pwd)")
suites=("$@")

export WINEPREFIX=${builds[0]}/wineprefix
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
wine64=/usr/lib/wine/wine64

# Wine needs an X server for any window: the whole run lives in one Xvfb.
if [ -z "${ORVANE_IN_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" env ORVANE_IN_XVFB=1 bash "$0" "${builds[@]}" "$@"
fi

passed=0
failed=0
failures=()

finish() {
    # The prefix's services end with the last program; Xvfb must outlive them.
    timeout 60 wineserver -w || wineserver -k || true
}
trap finish EXIT

# A wineserver left from an earlier run may hold a display that no longer exists.
wineserver -k 2> /dev/null || true

# The Wine prefix, made once (natively, by the 64-bit loader).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-windows: creating the Wine prefix"
    $wine64 wineboot --init > "${builds[0]}/wineboot.log" 2>&1
    wineserver -w
fi

# count <label> <ok> <bad>: adds a step's checks to the totals; a failed step is named.
count() {
    passed=$((passed + $2))
    failed=$((failed + $3))
    [ "$3" -eq 0 ] || failures+=("$1")
}

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
        done < <("$objdump" -p "$f" 2> /dev/null | awk '/DLL Name:/ {print $3}')
    done < <(find "$build" \( -path "$build/deps" -o -path "$WINEPREFIX" -o -name CMakeFiles \) -prune -o \
        \( -name '*.exe' -o -name '*.dll' \) -type f -print0)
    return $bad
}

# run_suite <exe>: one Wine process per test program, from its build folder as under ctest.
run_suite() {
    local exe=$1 name log status
    name=$(basename "$exe" .exe)
    log=$build/test-logs/$name.log
    status=0
    (cd "$(dirname "$exe")" && timeout 1800 $wine "$(basename "$exe")" --gtest_brief=1) \
        > "$log" 2>&1 || status=$?
    tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
    local ok bad
    ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    ok=${ok:-0}
    bad=${bad:-0}
    if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
        bad=1 # crashed or timed out before its summary
        echo "test-windows: $width: $name ended with status $status before its summary" >&2
        tail -n 20 "$log" >&2
    elif [ "$bad" -ne 0 ]; then
        grep -E '^\[  FAILED  \]|Failure|error:' "$log" | head -n 40 >&2
    fi
    echo "test-windows: $width: $name: $ok passed, $bad failed"
    count "$width:$name" "$ok" "$bad"
}

# test_build <build dir>: steps 1 to 4 for one build.
test_build() {
    build=$1
    # The target's objdump, e.g. /usr/bin/x86_64-w64-mingw32-objdump, tells the width.
    objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$build/CMakeCache.txt")
    case ${objdump##*/} in
        i686-w64-mingw32-*) width=32-bit wine=wine ;;
        x86_64-w64-mingw32-*) width=64-bit wine=$wine64 ;;
        *) echo "test-windows: $build is no MinGW build" >&2; count "$build" 0 1; return ;;
    esac
    mkdir -p "$build/test-logs"

    if check_imports; then
        count imports 1 0
        echo "test-windows: $width: imports: system DLLs only"
    else
        count "$width:imports" 0 1
    fi

    # The plug-in's export table: ordinal lines "[   n] name" after "Ordinal/Name Pointer".
    local plugin_dll=$build/plugin/orvane-piano.dll exports
    if [ -f "$plugin_dll" ]; then
        exports=$("$objdump" -p "$plugin_dll" |
            sed -n '/Ordinal\/Name Pointer/,/^$/p' | awk '/\[ *[0-9]+\]/ {print $NF}' | sort | xargs)
        if [ "$exports" = "ResMap VSTPluginMain main" ]; then
            count exports 1 0
            echo "test-windows: $width: exports: $exports"
        else
            count "$width:exports" 0 1
            echo "test-windows: $width: orvane-piano.dll exports '$exports'" >&2
        fi
    fi

    # 2. The test programs.
    local exe suite
    mapfile -t programs < <(find "$build/tests" -maxdepth 2 -name 'orvane-tests-*.exe' | sort)
    for exe in "${programs[@]}"; do
        if [ ${#suites[@]} -gt 0 ]; then
            suite=$(basename "$exe" .exe)
            suite=${suite#orvane-tests-}
            [[ " ${suites[*]} " == *" $suite "* ]] || continue
        fi
        run_suite "$exe"
    done
    [ ${#suites[@]} -eq 0 ] || return 0

    # 3. The host program: each "ok:" line is a passed check, each "FAILED:" line a failed one.
    local host_exe=$build/tests/win32/orvane-win32-host.exe log status ok bad
    if [ -f "$host_exe" ] && [ -f "$plugin_dll" ]; then
        log=$build/test-logs/orvane-win32-host.log
        status=0
        (cd "$build" && timeout 600 $wine "$host_exe" "$plugin_dll" test-logs/editor.png) \
            > "$log" 2>&1 || status=$?
        tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
        ok=$(grep -c '^ok:' "$log" || true)
        bad=$(grep -c '^FAILED:' "$log" || true)
        if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
            bad=1
        fi
        [ "$bad" -eq 0 ] || cat "$log" >&2
        grep -E '^(Decay|background):' "$log" | sed "s/^/test-windows: $width: host: /"
        echo "test-windows: $width: orvane-win32-host: $ok passed, $bad failed (capture: ${build#"$root"/}/test-logs/editor.png)"
        count "$width:orvane-win32-host" "$ok" "$bad"
    fi

    # 4. The Windows renderer against the Linux one: same MIDI file, same plug-in sources. The
    #    renderer finds the DLL by itself (../plugin/ from its folder), as it does on Linux.
    local render_exe=$build/tools/orvane-render.exe linux_build=${LINUX_BUILD:-$root/build}
    if [ -f "$render_exe" ]; then
        log=$build/test-logs/orvane-render.log
        local windows_wav=$build/test-logs/demo-windows.wav linux_wav=$build/test-logs/demo-linux.wav
        status=0
        cp "$root/examples/demo.mid" "$build/test-logs/demo.mid"
        (cd "$build/test-logs" && timeout 900 $wine "$render_exe" demo.mid demo-windows.wav) \
            > "$log" 2>&1 || status=$?
        "$linux_build/tools/orvane-render" --quiet "$root/examples/demo.mid" "$linux_wav" \
            >> "$log" 2>&1 || status=$?
        tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
        # Both builds compute in SSE single precision from the same sources: the renders are
        # expected to be identical; 1e-6 of full scale (-120 dB) allows for a libm difference.
        if [ "$status" -eq 0 ] && "$linux_build/tools/wavdiff/orvane-wavdiff" "$linux_wav" \
            "$windows_wav" --max 1e-6 > "$log.diff" 2>&1; then
            count orvane-render 1 0
            echo "test-windows: $width: orvane-render.exe: $(cat "$log.diff")"
        else
            count "$width:orvane-render" 0 1
            cat "$log" "$log.diff" >&2 || true
        fi
    fi
}

for b in "${builds[@]}"; do
    test_build "$b"
done

[ ${#failures[@]} -eq 0 ] || echo "test-windows: failed: ${failures[*]}" >&2
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
