#!/usr/bin/env bash
# Lays out the plug-in, the LV2 bundle and the renderer with CMake's install rules, or takes
# them away:
#   per user (PREFIX empty)   ~/.vst/orvane-piano.so          ~/.local/bin/orvane-render
#                             ~/.lv2/orvane-piano.lv2/
#   system-wide (PREFIX set)  PREFIX/lib/vst/orvane-piano.so  PREFIX/bin/orvane-render
#                             PREFIX/lib/lv2/orvane-piano.lv2/
# DESTDIR (an absolute path) stages either layout below another root. Every file installed is
# listed in <build>/installed-files.txt; uninstall removes those below the same DESTDIR and
# PREFIX, and only those.
# Usage: [PREFIX=dir] [DESTDIR=dir] scripts/install.sh install|uninstall [build dir]
set -euo pipefail
action=$1
build=${2:-build}
if [ -n "${PREFIX:-}" ]; then
    layout=system
    prefix=$(realpath -m "$PREFIX")
else
    layout=user
    prefix=$HOME
fi
DESTDIR=${DESTDIR:+$(realpath -m "$DESTDIR")}
export DESTDIR
root=$DESTDIR$prefix
list=$build/installed-files.txt

case $action in
    install)
        out=/dev/null
        [ -z "${VERBOSE:-}" ] || out=/dev/stdout
        cmake --install "$build" --prefix "$prefix" --component "$layout" > "$out"
        # CMake's manifest names the files without DESTDIR (and without a last newline).
        mapfile -t files < <(awk -v root="$DESTDIR" '{ print root $0 }' \
            "$build/install_manifest_$layout.txt")
        printf 'install: %s\n' "${files[@]}"
        { printf '%s\n' "${files[@]}"; [ ! -f "$list" ] || cat "$list"; } | sort -u > "$list.new"
        mv "$list.new" "$list"
        if [ $layout = user ] && [ -z "$DESTDIR" ] && [[ ":$PATH:" != *":$HOME/.local/bin:"* ]]; then
            echo "install: ~/.local/bin is not on your PATH (Debian's ~/.profile adds it at login)"
        fi
        ;;
    uninstall)
        kept=()
        removed=0
        if [ -f "$list" ]; then
            while IFS= read -r file; do
                if [[ $file == "$root"/* ]]; then
                    rm -f "$file"
                    # The LV2 bundle's folder goes with its last file.
                    [[ $file != */orvane-piano.lv2/* ]] ||
                        rmdir --ignore-fail-on-non-empty "$(dirname "$file")"
                    echo "uninstall: $file"
                    removed=$((removed + 1))
                else
                    kept+=("$file")
                fi
            done < "$list"
            printf '%s\n' "${kept[@]}" | sed '/^$/d' > "$list"
        fi
        [ $removed -gt 0 ] || echo "uninstall: nothing installed below $root"
        ;;
    *)
        echo "install: unknown action '$action' (install, uninstall)" >&2
        exit 2
        ;;
esac
