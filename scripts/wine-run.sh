#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PROGRAM.exe [ARGS...]
# Arguments that are absolute Linux paths of existing files or folders (or of files to be
# created in existing folders) are passed as Windows paths on drive Z:, which Wine maps to /,
# with forward slashes as CMake writes Windows paths (the VST3 SDK's module loader takes
# the module's name from the text after the last '/').
# The Wine prefix is WINEPREFIX when set, otherwise the cross build's own one; the build's
# CMake runs programs it has built (the VST3 manifest helper) through this script.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build-windows/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko install prompts: the programs here need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

windows_path() { printf 'Z:%s' "$1"; }

args=()
for arg in "$@"; do
    if [[ "$arg" == /* ]] && { [ -e "$arg" ] || [ -d "$(dirname "$arg")" ]; }; then
        args+=("$(windows_path "$arg")")
    else
        args+=("$arg")
    fi
done

exec wine "${args[@]}"
