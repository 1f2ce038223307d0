#!/usr/bin/env bash
# The demo: renders examples/demo.mid through the plug-in with orvane-render into
# <build>/demo.wav, prints the render's summary (length, levels, real-time factor) and, last,
# how to listen and where the plug-in is.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$build"/tools/orvane-render "$root"/examples/demo.mid "$build"/demo.wav
echo "listen: aplay $build/demo.wav (or pw-play, any player); plug-in:" \
    "$build/plugin/orvane-piano.so, 'make install' copies it to ~/.vst/"
