# Shared by build.sh and test.sh: paths, the dependency set-up and a headless display.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
export CCACHE_BASEDIR="$root"
# Sanitizer builds carry debug info; without this every clone path would miss the cache.
export CCACHE_NOHASHDIR=1
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/kravell-ccache}"
export CCACHE_MAXSIZE="${CCACHE_MAXSIZE:-5G}"

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

# Starts Xvfb when there is no display, and stops it when the calling script exits.
ensure_display()
{
    if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then return; fi
    local number=$((90 + RANDOM % 100))
    Xvfb ":$number" -screen 0 1920x1080x24 -nolisten tcp > /dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$number"
    local started=0
    for _ in $(seq 1 50); do
        if [ -e "/tmp/.X11-unix/X$number" ]; then started=1; break; fi
        sleep 0.1
    done
    [ "$started" = 1 ] || { echo "Xvfb did not start" >&2; return 1; }

    # A window manager, as on any desktop a host runs on: plug-in windows and dialogs rely
    # on the window-manager properties it provides.
    openbox > /dev/null 2>&1 &
    wm_pid=$!
    trap 'kill $wm_pid $xvfb_pid 2>/dev/null || true' EXIT
    sleep 0.5
}
