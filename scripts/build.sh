#!/usr/bin/env bash
# Builds Kravell (Release), installs Kravell.vst3 where Linux hosts look for it (~/.vst3),
# and runs the main job: renders the built-in demo drum loop through the plug-in's code.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/deps.sh"

build="$root/build"
configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -- Kravell_VST3 kravell-render

bundle="$build/Kravell_artefacts/Release/VST3/Kravell.vst3"
destination="$HOME/.vst3"
mkdir -p "$destination"
rm -rf "$destination/Kravell.vst3"
cp -R "$bundle" "$destination/"
echo "Installed: $destination/Kravell.vst3"

demo="$build/demo"
mkdir -p "$demo"
"$build/tools/kravell-render" --make-demo "$demo/demo-loop.wav"
"$build/tools/kravell-render" --set attack=8 --set sustain=-6 --set punch=60 --set output=-5 "$demo/demo-loop.wav" "$demo/demo-loop-kravell.wav"
echo "Dry demo loop:    $demo/demo-loop.wav"
echo "Through Kravell:  $demo/demo-loop-kravell.wav"
