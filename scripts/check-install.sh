#!/usr/bin/env bash
# make install into a staging folder, in both layouts: exactly the plug-in, the LV2 bundle and
# the renderer are laid out where hosts and the shell look, the installed renderer loads the
# installed plug-in, and make uninstall takes them all away again. Builds nothing beyond what
# make install lays out.
# Usage: scripts/check-install.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
stage=$(mktemp -d)
trap 'rm -rf "$stage" "$stage.log"' EXIT
log=$stage.log

fail() {
    cat "$log" >&2
    echo "check-install: $*" >&2
    exit 1
}

# check <PREFIX> <plug-in folder> <program folder> <LV2 folder>, as installed below DESTDIR.
check() {
    local prefix=$1 plugin=$stage$2/orvane-piano.so renderer=$stage$3/orvane-render
    local bundle=$stage$4/orvane-piano.lv2
    make install BUILD_DIR="$build" DESTDIR="$stage" PREFIX="$prefix" > "$log" 2>&1 ||
        fail "make install PREFIX=$prefix failed"
    { [ -f "$plugin" ] && [ -x "$renderer" ] && [ -f "$bundle/manifest.ttl" ]; } ||
        fail "PREFIX=$prefix: expected $plugin, $renderer and $bundle"
    local files
    files=$(find "$stage" -type f | wc -l)
    # The bundle: manifest, description, presets, the instrument and UI libraries.
    [ "$files" -eq 7 ] || fail "PREFIX=$prefix: $files files installed, not 7"
    # Without --plugin: the installed renderer finds the installed plug-in by itself.
    "$renderer" --list-params > "$log" 2>&1 ||
        fail "the installed renderer does not find and load the installed plug-in"
    make uninstall BUILD_DIR="$build" DESTDIR="$stage" PREFIX="$prefix" > "$log" 2>&1 ||
        fail "make uninstall PREFIX=$prefix failed"
    files=$(find "$stage" -type f | wc -l)
    [ "$files" -eq 0 ] || fail "PREFIX=$prefix: make uninstall left $files files"
}

check /usr/local /usr/local/lib/vst /usr/local/bin /usr/local/lib/lv2
check "" "$HOME/.vst" "$HOME/.local/bin" "$HOME/.lv2"
echo "check-install: make install and make uninstall, per user and with PREFIX=/usr/local"
