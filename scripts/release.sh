#!/usr/bin/env bash
# Builds every artifact of a release from this tree and writes them to dist/: the Windows
# setup program and zip, the Linux archive, the Debian package and the rpm, the manual (HTML
# and PDF), then SHA256SUMS over all of them, and checks what it wrote: check-release.sh, and
# the two Linux packages as users meet them (test-linux-native.sh: lintian, and apt in a
# fresh minimal Debian 12, which needs the Debian archive).
# Installs what is missing and reuses what is built; safe to run any number of times.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ -n "$(git -C "$root" status --porcelain 2>/dev/null)" ]; then
    echo "note: the tree has uncommitted changes; the artifacts are built from them" >&2
fi

"$root/scripts/deps.sh"
echo "== Linux release build"
configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -- Kravell_VST3 Kravell_LV2 Kravell_Standalone KravellVst3Presets kravell-shots KravellVst3PresetTests
add_vst3_snapshots "$root/build/Kravell_artefacts/Release/VST3/Kravell.vst3" "$root/build/juce_vst3_helper"
echo "== Linux archive"
"$root/scripts/package-linux.sh"
echo "== Debian package and rpm"
"$root/scripts/package-linux-native.sh"
echo "== Windows cross-build"
"$root/scripts/build-windows.sh"
echo "== the manual"
"$root/scripts/build-manual.sh" "$root/dist"

dist="$root/dist"
artifacts=("Kravell-$kravell_version-windows-x64-setup.exe" "Kravell-$kravell_version-windows-x64.zip"
    "Kravell-$kravell_version-linux-x64.tar.gz" "kravell_${kravell_version}_amd64.deb" "kravell-$kravell_version-1.x86_64.rpm"
    "Kravell-$kravell_version-manual.html" "Kravell-$kravell_version-manual.pdf")
# Only this version's artifacts and their sums: nothing stale of an earlier run.
for old in "$dist"/*; do
    [ -e "$old" ] || continue
    keep=0
    for artifact in "${artifacts[@]}"; do [ "$(basename "$old")" = "$artifact" ] && keep=1; done
    [ "$keep" = 1 ] || rm -rf "$old"
done
(cd "$dist" && sha256sum "${artifacts[@]}" > SHA256SUMS)
"$root/scripts/check-release.sh" "$dist"
echo "== the Debian package and the rpm as users meet them"
"$root/scripts/test-linux-native.sh" "$dist/kravell_${kravell_version}_amd64.deb" "$dist/kravell-$kravell_version-1.x86_64.rpm"

echo "== written to ${dist#"$root"/}"
(cd "$dist" && ls -l --time-style=+ "${artifacts[@]}" SHA256SUMS | awk '{ printf "%12d  %s\n", $5, $NF }')
