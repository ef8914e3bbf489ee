#!/usr/bin/env bash
# Builds Kravell (Release), installs Kravell.vst3 where Linux hosts look for it, and runs
# the main job: a check of the installed bundle through a VST3 host.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/deps.sh"

build="$root/build"
configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -- Kravell_VST3 KravellHostTests

bundle="$build/Kravell_artefacts/Release/VST3/Kravell.vst3"
destination="$HOME/.vst3"
mkdir -p "$destination"
rm -rf "$destination/Kravell.vst3"
cp -R "$bundle" "$destination/"
echo "Installed: $destination/Kravell.vst3"

ensure_display
KRAVELL_VST3_BUNDLE="$destination/Kravell.vst3" "$build/tests/KravellHostTests" --gtest_brief=1
