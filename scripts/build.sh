#!/usr/bin/env bash
# Builds Kravell (Release), installs Kravell.vst3 and Kravell.lv2 where Linux hosts look for
# them (~/.vst3, ~/.lv2), the VST3 factory presets where their preset browsers look
# (~/.vst3/presets/Dornel Audio/Kravell) and the standalone app as ~/.local/bin/kravell with its desktop entry,
# and runs the main job: renders the built-in demo drum loop through the plug-in's code.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/deps.sh"

build="$root/build"
configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -- Kravell_VST3 Kravell_LV2 Kravell_Standalone kravell-render kravell-shots KravellVst3Presets

artefacts="$build/Kravell_artefacts/Release"
add_vst3_snapshots "$artefacts/VST3/Kravell.vst3" "$build/juce_vst3_helper"

# Replaces a bundle folder as a whole, so no file of an older build stays behind.
install_bundle()
{
    local bundle="$1" destination="$2"
    mkdir -p "$destination"
    rm -rf "$destination/$(basename "$bundle")"
    cp -R "$bundle" "$destination/"
    echo "Installed: $destination/$(basename "$bundle")"
}
install_bundle "$artefacts/VST3/Kravell.vst3" "$HOME/.vst3"
install_bundle "$artefacts/LV2/Kravell.lv2" "$HOME/.lv2"
factory_presets="$HOME/.vst3/presets/Dornel Audio/Kravell"
rm -rf "$factory_presets"
mkdir -p "$factory_presets"
cp "$build/vst3-presets/"*.vstpreset "$factory_presets/"
echo "Installed: $factory_presets (the factory presets, for hosts' preset browsers)"

app="$HOME/.local/bin/kravell"
mkdir -p "$(dirname "$app")"
install -m 755 "$artefacts/Standalone/Kravell" "$app"
echo "Installed: $app"
desktop_entry="$HOME/.local/share/applications/kravell.desktop"
mkdir -p "$(dirname "$desktop_entry")"
sed "s|@KRAVELL_BINARY@|$app|" "$root/packaging/linux/kravell.desktop" > "$desktop_entry"
echo "Installed: $desktop_entry"
icon="$HOME/.local/share/icons/hicolor/scalable/apps/kravell.svg"
mkdir -p "$(dirname "$icon")"
cp "$root/packaging/icons/kravell.svg" "$icon"
echo "Installed: $icon"

demo="$build/demo"
mkdir -p "$demo"
"$build/tools/kravell-render" --make-demo "$demo/demo-loop.wav"
"$build/tools/kravell-render" --set attack=8 --set sustain=-6 --set punch=60 --set output=-5 "$demo/demo-loop.wav" "$demo/demo-loop-kravell.wav"
echo "Dry demo loop:    $demo/demo-loop.wav"
echo "Through Kravell:  $demo/demo-loop-kravell.wav"
