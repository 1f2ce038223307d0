#!/usr/bin/env bash
# Installs the Debian packages the project needs, by set:
#   (no argument)  the build, the demo and the tests, sanitizers and fuzzing included
#   windows        the 32-bit and 64-bit Windows cross builds and their tests under Wine
#   bench          the peer instruments that bench/peers compares Orvane Piano with
# Idempotent: packages already installed are left alone, and a ready machine costs one dpkg
# query per package (plus, for windows, one 32-bit program start) and one line of output.
# apt's own output is shown when it fails, or always with VERBOSE=1.
# Usage: scripts/install-deps.sh [windows] [bench]
set -euo pipefail

packages=(
    # toolchain and build; python3 runs the mutation harness (make mutants)
    build-essential cmake make pkg-config clang-format python3
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # editor: images, text, X11 window host and its tests
    libpng-dev zlib1g-dev libfreetype-dev libx11-dev libxtst-dev xvfb xauth
    # renderer: WAV output
    libsndfile1-dev
    # LV2 shell: the headers, the lilv host library of its tests and the validator
    # (lv2_validate needs sord_validate from sordi)
    lv2-dev liblilv-dev sordi
    clang libclang-rt-14-dev  # sanitizers and fuzzing: clang, libFuzzer, the runtimes
)
windows=false
for set in "$@"; do
    case $set in
        windows)
            windows=true
            packages+=(
                # cross toolchains for 32-bit and 64-bit Windows (zlib for both)
                g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
                g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
                # the target libraries from Debian's source packages, GoogleTest from source
                dpkg-dev googletest
                # running the cross-built programs (wine32 lives in the i386 architecture)
                wine wine32:i386 wine64
            )
            ;;
        bench)
            # FluidSynth and the General MIDI SoundFont, the Synthesis ToolKit (its library
            # and, in the stk package, the wave tables its FM piano loads), and the mda LV2
            # plug-ins with the lilv host library.
            packages+=(libfluidsynth-dev fluid-soundfont-gm libstk-dev stk mda-lv2 liblilv-dev)
            ;;
        *)
            echo "install-deps: unknown set '$set' (windows, bench)" >&2
            exit 2
            ;;
    esac
done

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

# quietly <command...>: runs the command with its output kept aside, shown only if it fails.
quietly() {
    [ -z "${VERBOSE:-}" ] || { "$@"; return; }
    local log status=0
    log=$(mktemp)
    "$@" > "$log" 2>&1 || status=$?
    [ $status -eq 0 ] || cat "$log" >&2
    rm -f "$log"
    return $status
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    # Adding the i386 architecture makes apt pull matching amd64 versions of a few shared
    # libraries too, which is why the whole set goes through one install call.
    if $windows && ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "install-deps: adding the i386 architecture"
        $SUDO dpkg --add-architecture i386
    fi
    echo "install-deps: installing ${missing[*]}"
    quietly $SUDO apt-get update -q
    quietly $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
else
    echo "install-deps: all ${#packages[@]} packages present"
fi
$windows || exit 0

# On a kernel that refuses 32-bit programs (IA-32 emulation switched off, as on these build
# machines), 32-bit Linux programs such as Wine's i386 loader run through qemu's user-mode
# emulator, registered with binfmt_misc. 64-bit Wine (wine64) runs the prefix's services
# natively. The i386 dynamic loader (a wine32 dependency) tells whether the kernel can.
runs_i386() { /lib/ld-linux.so.2 --version > /dev/null 2>&1; }
runs_i386 && exit 0

echo "install-deps: this kernel does not run 32-bit programs; using qemu-i386 for them"
if ! installed qemu-user-static; then
    quietly $SUDO apt-get install -y -q --no-install-recommends qemu-user-static
fi
binfmt=/proc/sys/fs/binfmt_misc
[ -e $binfmt/register ] || $SUDO mount -t binfmt_misc binfmt_misc $binfmt
if [ ! -e $binfmt/orvane-i386 ]; then
    # ELF, 32-bit, little endian, executable or shared object, machine 3 (i386). Flag F opens
    # the interpreter now, so it is found from any mount namespace.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":orvane-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $SUDO tee $binfmt/register > /dev/null
fi
runs_i386 || { echo "install-deps: 32-bit programs still do not start" >&2; exit 1; }
