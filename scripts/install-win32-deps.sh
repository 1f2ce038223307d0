#!/usr/bin/env bash
# Installs what the 32-bit Windows cross build and its tests under Wine need: the MinGW-w64
# posix-threads compiler, zlib for the target, Wine with its 32-bit half (the i386 architecture
# is added first), Xvfb, and the tools that fetch and unpack Debian source packages.
#
# On a kernel that refuses 32-bit programs (IA-32 emulation switched off, as on these build
# machines), 32-bit Linux programs such as Wine's i386 loader run through qemu's user-mode
# emulator, registered with binfmt_misc. 64-bit Wine (wine64) runs the prefix's services natively.
#
# Idempotent: a ready machine costs one dpkg query per package and one 32-bit program start.
set -euo pipefail

packages=(
    # cross toolchain for 32-bit Windows, the hosts' binary interface
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
    libz-mingw-w64-dev
    # build of the target libraries from Debian's source packages, GoogleTest from source
    cmake make dpkg-dev googletest
    # running the cross-built programs
    wine wine32:i386 wine64 xvfb xauth
)

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    # wine32 lives in the i386 architecture; adding it makes apt pull matching amd64 versions
    # of a few shared libraries too, which is why the whole set goes through one install call.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "install-win32-deps: adding the i386 architecture"
        $SUDO dpkg --add-architecture i386
    fi
    echo "install-win32-deps: installing ${missing[*]}"
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Can this kernel start a 32-bit program? The i386 dynamic loader (a wine32 dependency) tells.
runs_i386() { /lib/ld-linux.so.2 --version > /dev/null 2>&1; }
runs_i386 && exit 0

echo "install-win32-deps: this kernel does not run 32-bit programs; using qemu-i386 for them"
if ! installed qemu-user-static; then
    $SUDO apt-get install -y -q --no-install-recommends qemu-user-static
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
runs_i386 || { echo "install-win32-deps: 32-bit programs still do not start" >&2; exit 1; }
