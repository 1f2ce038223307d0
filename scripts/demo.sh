#!/usr/bin/env bash
# The demo: renders examples/demo.mid through the plug-in with orvane-render into
# <build>/demo.wav and prints the render's summary (length, levels, real-time factor).
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec "$build"/tools/orvane-render "$root"/examples/demo.mid "$build"/demo.wav
