#!/usr/bin/env bash
# Packages the Linux release build (build/, made by build.sh, test.sh or release.sh) as
# dist/Kravell-<version>-linux-x64.tar.gz: the VST3 and LV2 bundles, the VST3 factory presets, the standalone app with
# its menu entry and icon, install.sh and uninstall.sh, the installation notes, the licence
# and the third-party notices. Prints the archive's path.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$root/scripts/deps.sh"

install_packages librsvg2-bin

artefacts="$root/build/Kravell_artefacts/Release"
package_name="Kravell-$kravell_version-linux-x64"
work="$root/build/package"
staging="$work/$package_name"
for built in "$artefacts/VST3/Kravell.vst3" "$artefacts/LV2/Kravell.lv2" "$artefacts/Standalone/Kravell"; do
    [ -e "$built" ] || { echo "not built: $built (run ./scripts/build.sh first)" >&2; exit 1; }
done

rm -rf "$work"
mkdir -p "$staging/bin" "$staging/share/applications" "$staging/share/kravell" \
    "$staging/share/icons/hicolor/scalable/apps" "$staging/share/icons/hicolor/256x256/apps" "$root/dist"
cp -R "$artefacts/VST3/Kravell.vst3" "$artefacts/LV2/Kravell.lv2" "$staging/"
[ -f "$staging/Kravell.vst3/Contents/Resources/Snapshots/ABCDEF019182FAEB446F726E4B726176_snapshot.png" ] \
    || { echo "the VST3 has no snapshots (build.sh and test.sh add them)" >&2; exit 1; }
mkdir -p "$staging/share/vst3/presets/Dornel Audio/Kravell"
cp "$root/build/vst3-presets/"*.vstpreset "$staging/share/vst3/presets/Dornel Audio/Kravell/"
install -m 755 "$artefacts/Standalone/Kravell" "$staging/bin/kravell"
# What ships carries no symbols beyond those the hosts and the loader need.
strip --strip-unneeded "$staging/bin/kravell" "$staging/Kravell.vst3/Contents/x86_64-linux/Kravell.so" "$staging"/Kravell.lv2/*.so
cp "$root/packaging/linux/kravell.desktop" "$staging/share/applications/"
cp "$root/packaging/icons/kravell.svg" "$staging/share/icons/hicolor/scalable/apps/"
rsvg-convert -w 256 -h 256 "$root/packaging/icons/kravell.svg" -o "$staging/share/icons/hicolor/256x256/apps/kravell.png"
cp "$root/packaging/linux/locations.sh" "$staging/share/kravell/"
for script in install.sh uninstall.sh; do
    sed "s/@VERSION@/$kravell_version/g" "$root/packaging/linux/$script" > "$staging/$script"
    chmod 755 "$staging/$script"
done
sed "s/@VERSION@/$kravell_version/g" "$root/packaging/linux/INSTALL.txt" > "$staging/INSTALL.txt"
cp "$root/LICENSE" "$staging/LICENSE"
fetch_image_library_sources
write_framework_notices "$staging/THIRD-PARTY-NOTICES.txt" "Kravell $kravell_version for Linux" \
    "zlib (linked in)" "$image_sources/zlib/debian/copyright" \
    "libpng (linked in)" "$image_sources/libpng1.6/debian/copyright" \
    "libjpeg-turbo (linked in)" "$image_sources/libjpeg-turbo/debian/copyright"

archive="$root/dist/$package_name.tar.gz"
# Owned by nobody in particular and dated by the last commit, so the same tree packs the same.
stamp="@$(git -C "$root" log -1 --format=%ct 2> /dev/null || date +%s)"
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="$stamp" -C "$work" -cf - "$package_name" \
    | gzip -n -9 > "$archive.tmp"
mv "$archive.tmp" "$archive"
echo "$archive"
