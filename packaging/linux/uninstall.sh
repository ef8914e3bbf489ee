#!/usr/bin/env bash
# Removes Kravell as install.sh installed it: per user by default, --system for every user
# (as root). Your presets are kept.
#   ./uninstall.sh [--system] [--prefix DIR]
set -eu

here="$(cd "$(dirname "$0")" && pwd)"
# The copy install.sh leaves beside its record, or the one in the unpacked archive.
if [ -f "$here/locations.sh" ]; then
    . "$here/locations.sh"
else
    . "$here/share/kravell/locations.sh"
fi
kravell_options "$@"
mode="$install_mode"

# What the installation recorded; without a record (an installation by hand or by the build),
# the files Kravell installs, wherever they are.
files=()
folders=()
if [ -f "$manifest" ]; then
    while IFS= read -r line; do
        case "$line" in
            "file "*) files+=("${line#file }") ;;
            "folder "*) folders+=("${line#folder }") ;;
        esac
    done < "$manifest"
else
    files=("$vst3_dir/Kravell.vst3" "$lv2_dir/Kravell.lv2" "$vst3_presets_dir" "$bin_dir/kravell" "$applications_dir/kravell.desktop"
        "$icons_dir/scalable/apps/kravell.svg" "$icons_dir/256x256/apps/kravell.png"
        "$kravell_share_dir/locations.sh" "$kravell_share_dir/uninstall.sh")
fi
files+=("$manifest")

present=()
for file in "${files[@]}"; do
    [ -e "$file" ] || [ -L "$file" ] || continue
    kravell_require_writable "$(dirname "$file")" "$mode" || exit 1
    present+=("$file")
done
if [ ${#present[@]} -eq 0 ]; then
    echo "Kravell is not installed ($mode): nothing to remove."
    exit 0
fi

echo "Removing Kravell ($mode):"
for file in "${present[@]}"; do
    rm -rf "$file"
    [ "$file" = "$manifest" ] || echo "  $file"
done
# The folders the installation made, deepest first, where they are now empty; and ours.
rmdir "$kravell_share_dir" 2> /dev/null || true
for folder in ${folders[@]+"${folders[@]}"}; do
    rmdir "$folder" 2> /dev/null || true
done
command -v update-desktop-database > /dev/null 2>&1 && update-desktop-database -q "$applications_dir" 2> /dev/null || true

echo "Done. Your presets are kept in $(kravell_presets_hint "$mode")."
