#!/usr/bin/env bash
# Installs every Debian package that the build, the demo and the tests need.
# Idempotent: packages already installed are left alone, and a ready machine costs one dpkg query.
set -euo pipefail

packages=(
    # toolchain and build
    build-essential cmake make pkg-config clang-format
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # editor: images, text, X11 window host and its tests
    libpng-dev zlib1g-dev libfreetype-dev libx11-dev libxtst-dev xvfb xauth
    # renderer: WAV output
    libsndfile1-dev
    clang libclang-rt-14-dev  # fuzzing: clang, libFuzzer and the sanitizer runtimes
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg -s "$p" >/dev/null 2>&1 || ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
