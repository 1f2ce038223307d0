#!/usr/bin/env bash
# Installs the peer instruments that bench/peers compares Orvane Piano with, from Debian's
# packages: FluidSynth and the General MIDI SoundFont, the Synthesis ToolKit (its library and, in
# the stk package, the wave tables its FM piano loads), and the mda LV2 plug-ins with the lilv host
# library. Idempotent: packages already installed are left alone, and a ready machine costs one
# dpkg query per package.
set -euo pipefail

packages=(
    pkg-config
    libfluidsynth-dev fluid-soundfont-gm
    libstk-dev stk
    mda-lv2 liblilv-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
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
echo "install-bench-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
