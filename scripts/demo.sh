#!/usr/bin/env bash
# The demo: renders examples/demo.mid through the plug-in with orvane-render into
# <build>/demo.wav, prints the render's summary (length, levels, real-time factor) and, last,
# how to listen and where the plug-ins are.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$build"/tools/orvane-render "$root"/examples/demo.mid "$build"/demo.wav
echo "listen: aplay $build/demo.wav (or pw-play, any player); plug-ins:" \
    "$build/plugin/orvane-piano.so (VST 2) and $build/lv2/orvane-piano.lv2/ (LV2);" \
    "'make install' copies them to ~/.vst/ and ~/.lv2/"
