# Shared by build.sh and test.sh: paths, the dependency set-up and a headless display.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
# The version, from its one definition in CMakeLists.txt.
kravell_version="$(sed -n 's/^project (Kravell VERSION \([0-9][0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")"
[ -n "$kravell_version" ] || { echo "no version in $root/CMakeLists.txt" >&2; exit 1; }
kravell_copyright="$(sed -n 's/^set (KRAVELL_COPYRIGHT "\(.*\)")$/\1/p' "$root/CMakeLists.txt")"
export CCACHE_BASEDIR="$root"
# Sanitizer builds carry debug info; without this every clone path would miss the cache.
export CCACHE_NOHASHDIR=1
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kravell-ccache}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"

# Writes the third-party notices of a package: write_notices FILE PRODUCT [HEADING NOTICE]...
# Each notice file is copied whole under its heading (an empty heading continues the one
# before); a missing one stops the packaging, so no package ships with a notice left out.
write_notices()
{
    local out="$1" product="$2"; shift 2
    {
        printf '%s includes the following third-party software. Kravell itself is licensed under\n' "$product"
        printf 'the GNU Affero General Public License, version 3 or later (LICENSE).\n'
        while [ $# -ge 2 ]; do
            [ -f "$2" ] || { echo "missing notice: $2" >&2; return 1; }
            printf '\n==============================================================================\n'
            [ -z "$1" ] || printf '%s\n\n' "$1"
            cat "$2"
            shift 2
        done
    } > "$out"
}

# write_notices for a package built on the framework: its notices (JUCE, with what it bundles,
# and the VST3 SDK under the GPLv3) first, then the package's own [HEADING NOTICE]...
write_framework_notices()
{
    local out="$1" product="$2" juce="$root/.deps/juce"; shift 2
    write_notices "$out" "$product" \
        "JUCE 8 (the framework; used under the AGPLv3), with the parts it bundles" "$juce/LICENSE.md" \
        "" "$juce/debian/copyright" \
        "The VST3 SDK 3.7.12 (used under the GPLv3)" "$juce/modules/juce_audio_processors/format_types/VST3_SDK/LICENSE.txt" \
        "The GNU General Public License, version 3 (the VST3 SDK's licence here)" /usr/share/common-licenses/GPL-3 \
        "DejaVu Sans (the editor's typeface, built in)" /usr/share/doc/fonts-dejavu-core/copyright \
        "$@"
}

# Configures and builds one build folder: configure_and_build DIR [cmake args...] -- [targets...]
configure_and_build()
{
    local dir="$1"; shift
    local cmake_args=() targets=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do cmake_args+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    targets=("$@")
    mkdir -p "$dir"
    cmake -S "$root" -B "$dir" -G Ninja "${cmake_args[@]}" > "$dir/configure.log" 2>&1 \
        || { cat "$dir/configure.log"; return 1; }
    cmake --build "$dir" --parallel "$jobs" ${targets[@]+--target "${targets[@]}"}
}

# Starts an Xvfb screen of the given size (e.g. 1920x1080) with a window manager, as on any
# desktop a host runs on (plug-in windows and dialogs rely on the window-manager properties it
# provides), and makes it the DISPLAY once the window manager has taken the screen: a window
# shown before then is never managed (no focus, no close request), and under load that took
# openbox more than half a second. Xvfb picks a free display number itself and names it once
# it accepts connections, so displays started side by side never meet. -noreset: by default
# the server starts over whenever its last client leaves, and a client connecting meanwhile is
# turned away; the checks below come and go while openbox connects, which then never started.
# Everything started is stopped when the calling script exits (stop_displays).
display_pids=()
start_display()
{
    local size="$1" number_file number=""
    number_file="$(mktemp)"
    Xvfb -displayfd 3 -noreset -screen 0 "${size}x24" -nolisten tcp 3> "$number_file" > /dev/null 2>&1 &
    display_pids+=($!)
    for _ in $(seq 1 600); do
        number="$(tr -dc 0-9 < "$number_file")"
        [ -n "$number" ] && break
        sleep 0.05
    done
    rm -f "$number_file"
    [ -n "$number" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$number"

    local wm_log
    wm_log="$(mktemp)"
    openbox > "$wm_log" 2>&1 &
    local window_manager=$!
    display_pids+=($window_manager)
    trap stop_displays EXIT
    for _ in $(seq 1 600); do
        if [[ "$(xprop -root _NET_WORKAREA 2> /dev/null)" == *=* ]]; then rm -f "$wm_log"; return 0; fi
        kill -0 "$window_manager" 2> /dev/null || break
        sleep 0.05
    done
    echo "the window manager did not take display $DISPLAY: $(cat "$wm_log")" >&2
    rm -f "$wm_log"
    return 1
}

stop_displays() { [ ${#display_pids[@]} -eq 0 ] || kill "${display_pids[@]}" 2>/dev/null || true; }

# Starts a 1920 x 1080 test display when there is no display.
ensure_display()
{
    if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then return; fi
    start_display 1920x1080
}

# The pictures hosts' plug-in browsers show of the VST3, rendered from the real editor by the
# picture tool of the Linux build into the bundle's Contents/Resources/Snapshots, named after
# the processor class in the bundle's moduleinfo.json, which is then written again by the
# build's manifest helper so that it lists them: add_vst3_snapshots BUNDLE HELPER...
# (HELPER: the command that runs the build's juce_vst3_helper, e.g. through Wine).
add_vst3_snapshots()
{
    local bundle="$1" class_id; shift
    local manifest="$bundle/Contents/Resources/moduleinfo.json"
    class_id=$(awk '/"CID":/ { gsub (/[",\r]/, "", $2); cid = $2 } /"Category": "Audio Module Class"/ { print cid; exit }' "$manifest")
    [ ${#class_id} -eq 32 ] || { echo "no processor class in $manifest" >&2; return 1; }
    [ -x "$root/build/tools/kravell-shots" ] || configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -- kravell-shots > /dev/null
    rm -rf "$bundle/Contents/Resources/Snapshots"
    mkdir -p "$bundle/Contents/Resources/Snapshots"
    (
        if [ -z "${DISPLAY:-}" ] || ! xdpyinfo > /dev/null 2>&1; then start_display 1920x1080; fi
        "$root/build/tools/kravell-shots" --vst3-snapshots "$class_id" "$bundle/Contents/Resources/Snapshots" > /dev/null
    )
    "$@" -create -version "$kravell_version" -path "$bundle" -output "$manifest" > /dev/null
    grep -q "${class_id}_snapshot_2.0x.png" "$manifest" || { echo "the manifest does not list the snapshots: $manifest" >&2; return 1; }
}
