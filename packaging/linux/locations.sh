# Where Kravell is installed, shared by install.sh and uninstall.sh.

# Reads the options both take (--system, --prefix DIR, --help) and sets the folders for them.
kravell_options()
{
    local mode=user prefix=/usr/local
    while [ $# -gt 0 ]; do
        case "$1" in
            --system) mode=system ;;
            --prefix) [ $# -ge 2 ] || { echo "--prefix needs a folder" >&2; exit 2; }; prefix="$2"; shift ;;
            -h|--help) sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
            *) echo "unknown option: $1 (see --help)" >&2; exit 2 ;;
        esac
        shift
    done
    install_mode="$mode"
    kravell_locations "$mode" "$prefix"
}

# Sets the folders for a mode: kravell_locations user|system PREFIX. The VST3 factory presets
# go where hosts' preset browsers look for a user's or every user's presets.
kravell_locations()
{
    local share
    if [ "$1" = system ]; then
        vst3_dir="$2/lib/vst3"
        lv2_dir="$2/lib/lv2"
        bin_dir="$2/bin"
        share="$2/share"
        vst3_presets_dir="$share/vst3/presets/Dornel Audio/Kravell"
    else
        vst3_dir="$HOME/.vst3"
        lv2_dir="$HOME/.lv2"
        bin_dir="$HOME/.local/bin"
        share="$HOME/.local/share"
        vst3_presets_dir="$HOME/.vst3/presets/Dornel Audio/Kravell"
    fi
    applications_dir="$share/applications"
    icons_dir="$share/icons/hicolor"
    kravell_share_dir="$share/kravell"
    manifest="$kravell_share_dir/installed-files"
}

# Succeeds when FOLDER can be written, or made in its nearest existing parent; otherwise says
# why and what to do: kravell_require_writable FOLDER MODE
kravell_require_writable()
{
    local folder="$1"
    while [ ! -e "$folder" ]; do folder="$(dirname "$folder")"; done
    if [ -d "$folder" ] && [ -w "$folder" ]; then
        return 0
    fi
    echo "Cannot write to $folder: nothing was changed." >&2
    if [ "$2" = system ]; then
        echo "Installing for every user needs root: sudo $0 --system" >&2
    else
        echo "Make $folder writable for $(id -un), or run $0 --system as root." >&2
    fi
    return 1
}

# Where the user's presets and the app's settings live (never removed by uninstalling).
kravell_presets_hint()
{
    if [ "$1" = system ]; then
        printf '%s\n' "each user's ~/.config/DornelAudio/Kravell"
    else
        printf '%s\n' "$HOME/.config/DornelAudio/Kravell"
    fi
}
