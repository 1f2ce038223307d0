#!/usr/bin/env bash
# Builds the target libraries for Windows from Debian's own source packages: libpng and
# FreeType for the editor, libsndfile for the renderer, at the versions of the release's main
# archive, cross-compiled as static libraries with the target's toolchain file
# (cmake/mingw-<arch>.toolchain.cmake) and installed into one prefix (zlib comes from
# libz-mingw-w64-dev). Skips the work when that prefix already holds the same versions.
#
# Usage: scripts/build-win32-deps.sh [deps dir] [arch]
#   arch: i686 (32-bit Windows, default build-win32/deps) or x86_64 (64-bit, build-win64/deps)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
arch=${2:-i686}
case $arch in
    i686) default_dir=$root/build-win32/deps ;;
    x86_64) default_dir=$root/build-win64/deps ;;
    *) echo "build-win32-deps: unknown arch '$arch' (i686, x86_64)" >&2; exit 2 ;;
esac
deps_dir=$(mkdir -p "${1:-$default_dir}" && cd "${1:-$default_dir}" && pwd)
prefix=$deps_dir/prefix
toolchain=$root/cmake/mingw-$arch.toolchain.cmake
jobs=${JOBS:-2}
# shellcheck disable=SC1091
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
packages=(libpng1.6 freetype libsndfile)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The source index: a deb-src twin of every configured Debian entry for this release.
have_sources() { [ -n "$(apt-cache showsrc libpng1.6 2>/dev/null)" ]; }
if ! have_sources; then
    list=/etc/apt/sources.list.d/orvane-deb-src.sources
    echo "build-win32-deps: adding source entries to $list"
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
        [ "$f" = "$list" ] && continue
        # deb822 stanzas: keep those that are enabled binary entries of this release.
        awk -v codename="$codename" '
            function flush() {
                if (n && types ~ /(^| )deb( |$)/ && suites ~ codename && enabled != "no") {
                    for (i = 1; i <= n; i++) print lines[i]
                    print ""
                }
                n = 0; types = ""; suites = ""; enabled = ""
            }
            /^[ \t]*$/ { flush(); next }
            /^#/ { next }
            /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types); lines[++n] = "Types: deb-src"; next }
            /^Suites:/ { suites = $0 }
            /^Enabled:/ { enabled = tolower($2) }
            { lines[++n] = $0 }
            END { flush() }' "$f" >> "$tmp"
    done
    if [ -f /etc/apt/sources.list ]; then
        # One-line entries: "deb [options] uri suite components".
        grep -E "^deb[ \t]" /etc/apt/sources.list | grep -w "$codename" | while read -r _ rest; do
            opts=""
            if [[ $rest == \[* ]]; then opts=${rest%%]*}; rest=${rest#*] }; opts=${opts#[}; fi
            read -r uri suite components <<< "$rest"
            echo "Types: deb-src"
            echo "URIs: $uri"
            echo "Suites: $suite"
            echo "Components: $components"
            if [[ $opts == *signed-by=* ]]; then
                sb=${opts#*signed-by=}
                echo "Signed-By: ${sb%% *}"
            fi
            echo ""
        done >> "$tmp"
    fi
    $SUDO install -m 0644 "$tmp" "$list"
    rm -f "$tmp"
    $SUDO apt-get update -q
    have_sources || { echo "build-win32-deps: no source index for libpng1.6" >&2; exit 1; }
fi

# Pin each package to the version of the release's main archive (not a security update that
# may appear later), so that every machine builds the same code.
declare -A version
for p in "${packages[@]}"; do
    # madison lines: " package | version | uri release/component Sources"
    v=$(apt-cache madison "$p" | awk -F'|' -v want="$codename/main Sources" '
        { gsub(/^[ \t]+|[ \t]+$/, "", $2); n = split($3, f, " ") }
        n >= 2 && f[n - 1] " " f[n] == want { print $2; exit }')
    [ -n "$v" ] || { echo "build-win32-deps: no $codename/main source of $p" >&2; exit 1; }
    version[$p]=$v
done

stamp="$prefix/orvane-deps.stamp"
want=$(for p in "${packages[@]}"; do echo "$p ${version[$p]}"; done
       sha256sum "$toolchain" "$root/cmake/mingw-common.toolchain.cmake" "$0" | awk '{print $1}')
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    exit 0
fi

rm -rf "$prefix" "$deps_dir/build"
mkdir -p "$deps_dir/src" "$deps_dir/build" "$prefix"

logged() { # logged <log file> <command...>: quiet unless the command fails
    local log=$1
    shift
    "$@" > "$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
}

# fetch <package>: downloads and unpacks the pinned source into src/<package>.
fetch() {
    local p=$1 v=${version[$1]}
    local dsc="${p}_${v#*:}.dsc"
    # apt checks the download against the archive's signed index; dpkg-source's own check of
    # the maintainer's signature needs a keyring this machine lacks, hence its quiet log.
    (cd "$deps_dir/src" && { [ -f "$dsc" ] || logged "$p.fetch.log" apt-get source --download-only "$p=$v"; } \
        && rm -rf "$p" && logged "$p.unpack.log" dpkg-source -x "$dsc" "$p")
}

build() { # build <name> <source dir> [cmake options]: configure, build and install
    local build=$deps_dir/build/$1 src=$2
    shift 2
    logged "$build.configure.log" cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DORVANE_WIN32_DEPS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@"
    logged "$build.build.log" cmake --build "$build" -j "$jobs"
    logged "$build.install.log" cmake --install "$build"
}

echo "build-win32-deps ($arch): libpng1.6 ${version[libpng1.6]}"
fetch libpng1.6
build libpng "$deps_dir/src/libpng1.6" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON

echo "build-win32-deps ($arch): freetype ${version[freetype]}"
fetch freetype
# Without gzip support: the fonts come from memory uncompressed, and FreeType's private copy
# of zlib would clash with libz at the link.
sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB$|/* #undef FT_CONFIG_OPTION_USE_ZLIB */|' \
    "$deps_dir/src/freetype/include/freetype/config/ftoption.h"
# The library sits at the top of the source tree; its demos and docs are component folders.
build freetype "$deps_dir/src/freetype" \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON

echo "build-win32-deps ($arch): libsndfile ${version[libsndfile]}"
fetch libsndfile
# WAV and the other uncompressed formats only: no codec libraries.
build libsndfile "$deps_dir/src/libsndfile" \
    -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF \
    -DBUILD_TESTING=OFF -DBUILD_REGTEST=OFF -DENABLE_CPACK=OFF -DINSTALL_MANPAGES=OFF

echo "$want" > "$stamp"
echo "build-win32-deps: installed into $prefix"
