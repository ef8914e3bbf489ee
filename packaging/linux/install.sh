#!/usr/bin/env bash
# Installs Kravell @VERSION@ from this folder: the VST3 and LV2 plug-ins, the VST3 factory
# presets for hosts' preset browsers, the standalone app with its menu entry and icon. Per user by default; --system installs for every user under
# /usr/local (as root). Run it again to repair or to replace an older Kravell.
#   ./install.sh [--system] [--prefix DIR]
set -eu

here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=/dev/null
. "$here/share/kravell/locations.sh"
kravell_options "$@"
mode="$install_mode"

# Every folder we write into must be writable (or creatable) before anything changes.
for folder in "$vst3_dir" "$lv2_dir" "$vst3_presets_dir" "$bin_dir" "$applications_dir" "$icons_dir" "$kravell_share_dir"; do
    kravell_require_writable "$folder" "$mode" || exit 1
done

manifest_entries=()
created_folders=()
# Creates a folder and its missing parents, noting the ones it made so uninstalling removes them.
make_folder()
{
    local folder="$1" missing=()
    while [ ! -d "$folder" ]; do missing=("$folder" ${missing[@]+"${missing[@]}"}); folder="$(dirname "$folder")"; done
    for folder in ${missing[@]+"${missing[@]}"}; do
        mkdir "$folder"
        created_folders=("$folder" ${created_folders[@]+"${created_folders[@]}"})
    done
}
# An earlier installation's record: its folders are ours to remove later, too.
if [ -f "$manifest" ]; then
    while IFS= read -r line; do
        case "$line" in "folder "*) created_folders+=("${line#folder }") ;; esac
    done < "$manifest"
fi

# Replaces a file or bundle as a whole, so nothing of an older Kravell stays behind.
put()
{
    local source="$1" destination="$2"
    make_folder "$(dirname "$destination")"
    rm -rf "$destination"
    cp -R "$source" "$destination"
    manifest_entries+=("$destination")
    echo "  $destination"
}

echo "Installing Kravell @VERSION@ ($mode):"
put "$here/Kravell.vst3" "$vst3_dir/Kravell.vst3"
put "$here/Kravell.lv2" "$lv2_dir/Kravell.lv2"
put "$here/share/vst3/presets/Dornel Audio/Kravell" "$vst3_presets_dir"
put "$here/bin/kravell" "$bin_dir/kravell"
chmod 755 "$bin_dir/kravell"
make_folder "$applications_dir"
sed "s|@KRAVELL_BINARY@|$bin_dir/kravell|" "$here/share/applications/kravell.desktop" > "$applications_dir/kravell.desktop"
manifest_entries+=("$applications_dir/kravell.desktop")
echo "  $applications_dir/kravell.desktop"
put "$here/share/icons/hicolor/scalable/apps/kravell.svg" "$icons_dir/scalable/apps/kravell.svg"
put "$here/share/icons/hicolor/256x256/apps/kravell.png" "$icons_dir/256x256/apps/kravell.png"
put "$here/share/kravell/locations.sh" "$kravell_share_dir/locations.sh"
put "$here/uninstall.sh" "$kravell_share_dir/uninstall.sh"

{
    printf 'version @VERSION@\n'
    for entry in "${manifest_entries[@]}"; do printf 'file %s\n' "$entry"; done
    for folder in ${created_folders[@]+"${created_folders[@]}"}; do printf 'folder %s\n' "$folder"; done
} > "$manifest"

# Menus pick the entry up sooner where the desktop's caches are kept.
command -v update-desktop-database > /dev/null 2>&1 && update-desktop-database -q "$applications_dir" 2> /dev/null || true
command -v gtk-update-icon-cache > /dev/null 2>&1 && [ -f "$icons_dir/index.theme" ] && gtk-update-icon-cache -q "$icons_dir" 2> /dev/null || true

echo
echo "Done. Hosts find the VST3 in $vst3_dir and the LV2 in $lv2_dir (let them rescan);"
echo "the app is $bin_dir/kravell and in your desktop's menu under Audio."
if [ "$mode" = user ]; then
    case ":$PATH:" in *":$bin_dir:"*) ;; *) echo "($bin_dir is not on your PATH: start the app from the menu or by its full path.)" ;; esac
fi
echo "Your presets are kept in $(kravell_presets_hint "$mode")."
echo "To uninstall: $kravell_share_dir/uninstall.sh$([ "$mode" = system ] && printf ' --system')"
