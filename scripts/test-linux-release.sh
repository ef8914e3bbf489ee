#!/usr/bin/env bash
# Tests the Linux release archive as a user meets it, after the Release suite has built
# build/: packs it (package-linux.sh), checks what every shipped binary needs from the system,
# installs it with its own install.sh into a scratch home (and for every user under a scratch
# prefix), reads and renders the installed LV2 with Debian's LV2 tools, runs the host tests on
# the installed VST3, opens its editor on a desktop without fonts, starts the installed app,
# and uninstalls, leaving only the presets.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
archive="$("$root/scripts/package-linux.sh" | tail -n 1)"
package_name="$(basename "$archive" .tar.gz)"
scratch="$(mktemp -d /tmp/kravell-release-test.XXXXXX)"
chmod 755 "$scratch"
trap 'stop_displays; rm -rf "$scratch"' EXIT

tar -xzf "$archive" -C "$scratch"
unpacked="$scratch/$package_name"
for part in Kravell.vst3/Contents/x86_64-linux/Kravell.so Kravell.lv2/libKravell.so bin/kravell install.sh uninstall.sh \
    INSTALL.txt LICENSE THIRD-PARTY-NOTICES.txt share/applications/kravell.desktop share/icons/hicolor/scalable/apps/kravell.svg; do
    [ -e "$unpacked/$part" ] || fail "the archive has no $part"
done

echo "-- what each shipped binary needs from the system"
# Libraries every desktop distribution has under these names; the app also needs ALSA.
allowed="libc.so.6 libm.so.6 libdl.so.2 libpthread.so.0 librt.so.1 ld-linux-x86-64.so.2 libgcc_s.so.1 libstdc++.so.6 libfreetype.so.6 libfontconfig.so.1"
# The highest version of a symbol family a binary asks for: highest_version FILE FAMILY
highest_version()
{
    objdump -T "$1" | grep -o "$2_[0-9][0-9.]*" | sed "s/^$2_//" | sort -V | tail -n 1
}
for binary in Kravell.vst3/Contents/x86_64-linux/Kravell.so Kravell.lv2/libKravell.so bin/kravell; do
    file="$unpacked/$binary"
    needed="$(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | tr '\n' ' ')"
    permitted="$allowed"
    [ "$binary" = bin/kravell ] && permitted="$permitted libasound.so.2"
    for library in $needed; do
        [[ " $permitted " == *" $library "* ]] || fail "$binary needs $library, which not every distribution has"
    done
    glibc="$(highest_version "$file" GLIBC)"
    glibcxx="$(highest_version "$file" GLIBCXX)"
    printf '%-40s GLIBC_%s GLIBCXX_%s needs: %s\n' "$binary" "$glibc" "$glibcxx" "$needed"
    [ "$(printf '%s\n2.35\n' "$glibc" | sort -V | tail -n 1)" = 2.35 ] || fail "$binary needs GLIBC_$glibc (above 2.35)"
    [ "$(printf '%s\n3.4.30\n' "$glibcxx" | sort -V | tail -n 1)" = 3.4.30 ] || fail "$binary needs GLIBCXX_$glibcxx (above 3.4.30)"
    # The static codecs stay inside: a host's own libpng or zlib must never bind to ours.
    exported="$(nm -D --defined-only "$file" | awk '{ print $NF }' | grep -E '^(png_|jpeg_|jinit_|inflate|deflate|crc32|adler32|zlib)' || true)"
    [ -z "$exported" ] || fail "$binary exports codec symbols: $(echo "$exported" | head -n 3 | tr '\n' ' ')"
done

echo "-- install per user into a scratch home"
home="$scratch/home"
mkdir -p "$home/.vst3/Kravell.vst3/Contents" "$home/.config/DornelAudio/Kravell/version_$kravell_version/Presets"
echo "an older build's file" > "$home/.vst3/Kravell.vst3/Contents/left-over.txt"
printf '<?xml version="1.0"?>\n<KravellPreset name="Mine"/>\n' > "$home/.config/DornelAudio/Kravell/version_$kravell_version/Presets/Mine.xml"
HOME="$home" "$unpacked/install.sh" > "$scratch/install.log"
cat "$scratch/install.log"
for installed in .vst3/Kravell.vst3 .lv2/Kravell.lv2 .local/bin/kravell .local/share/applications/kravell.desktop \
    .local/share/icons/hicolor/scalable/apps/kravell.svg .local/share/icons/hicolor/256x256/apps/kravell.png \
    .local/share/kravell/uninstall.sh; do
    [ -e "$home/$installed" ] || fail "install.sh did not install ~/$installed"
    grep -qx "  $home/$installed" "$scratch/install.log" || fail "install.sh did not say where $installed went"
done
factory_presets="$home/.vst3/presets/Dornel Audio/Kravell"
[ "$(ls "$factory_presets"/*.vstpreset 2> /dev/null | wc -l)" -eq 8 ] || fail "install.sh did not install the eight VST3 factory presets into $factory_presets"
grep -qx "  $factory_presets" "$scratch/install.log" || fail "install.sh did not say where the VST3 factory presets went"
cmp -s "$unpacked/Kravell.vst3/Contents/x86_64-linux/Kravell.so" "$home/.vst3/Kravell.vst3/Contents/x86_64-linux/Kravell.so" \
    || fail "the installed VST3 is not the packaged one"
[ ! -e "$home/.vst3/Kravell.vst3/Contents/left-over.txt" ] || fail "install.sh left an older build's file in the bundle"
grep -qx "Exec=$home/.local/bin/kravell" "$home/.local/share/applications/kravell.desktop" || fail "the menu entry does not start the installed app"
grep -qx "Icon=kravell" "$home/.local/share/applications/kravell.desktop" || fail "the menu entry names no icon"
# Installing again changes nothing.
(cd "$home" && find . -path ./.config -prune -o -print | sort) > "$scratch/first.list"
HOME="$home" "$unpacked/install.sh" > /dev/null
(cd "$home" && find . -path ./.config -prune -o -print | sort) > "$scratch/second.list"
cmp -s "$scratch/first.list" "$scratch/second.list" || fail "installing twice left different files: $(diff "$scratch/first.list" "$scratch/second.list" | head -n 5)"

echo "-- the installed LV2 through Debian's LV2 tools"
uri="https://dornel.audio/plugins/kravell"
LV2_PATH="$home/.lv2" lv2info "$uri" > "$scratch/lv2info.txt" || fail "lv2info cannot read the installed LV2"
grep -q "Kravell" "$scratch/lv2info.txt" || fail "lv2info does not name Kravell"
"$root/build/tools/kravell-render" --make-demo "$scratch/dry.wav" > /dev/null
LV2_PATH="$home/.lv2" lv2apply -i "$scratch/dry.wav" -o "$scratch/wet.wav" -c attack 8 "$uri" > "$scratch/lv2apply.log" 2>&1 \
    || { cat "$scratch/lv2apply.log"; fail "lv2apply cannot render through the installed LV2"; }
[ "$(stat -c %s "$scratch/wet.wav")" -gt 1000 ] || fail "lv2apply wrote no audio"
cmp -s "$scratch/dry.wav" "$scratch/wet.wav" && fail "the installed LV2 left the audio unchanged at attack 8"

echo "-- the host tests on the installed VST3"
ensure_display
HOME="$home" KRAVELL_VST3_BUNDLE="$home/.vst3/Kravell.vst3" "$root/build/tests/KravellHostTests" --gtest_brief=1 > "$scratch/host.log" 2>&1 \
    || { tail -n 40 "$scratch/host.log"; fail "the host tests fail on the installed VST3"; }
tail -n 2 "$scratch/host.log"
HOME="$home" KRAVELL_VST3_BUNDLE="$home/.vst3/Kravell.vst3" KRAVELL_VST3_PRESETS="$factory_presets" "$root/build/tests/KravellVst3PresetTests" --gtest_brief=1 > "$scratch/presets.log" 2>&1 \
    || { tail -n 40 "$scratch/presets.log"; fail "the installed VST3 factory presets do not restore into the installed VST3"; }
echo "the installed factory presets restore into the installed VST3: $(tail -n 1 "$scratch/presets.log")"

echo "-- the editor looks the same on a desktop without DejaVu Sans"
# A fontconfig that knows no fonts at all: the text must still be drawn, in the built-in face.
printf '<?xml version="1.0"?>\n<fontconfig><cachedir>%s</cachedir></fontconfig>\n' "$scratch/fontcache" > "$scratch/no-fonts.conf"
probe="$root/build/tests/KravellEditorSizeProbe"
HOME="$home" "$probe" "$home/.vst3/Kravell.vst3" capture "$scratch/with-fonts.ppm" > /dev/null 2>&1 \
    || fail "the installed VST3's editor could not be captured"
HOME="$home" FONTCONFIG_FILE="$scratch/no-fonts.conf" "$probe" "$home/.vst3/Kravell.vst3" capture "$scratch/no-fonts.ppm" > /dev/null 2>&1 \
    || fail "the installed VST3's editor could not be captured without system fonts"
cmp -s "$scratch/with-fonts.ppm" "$scratch/no-fonts.ppm" || fail "the editor differs on a desktop without DejaVu Sans"

echo "-- the installed app starts"
HOME="$home" "$home/.local/bin/kravell" > "$scratch/app.log" 2>&1 &
app=$!
sleep 3
kill -0 "$app" 2> /dev/null || { cat "$scratch/app.log"; fail "the installed app did not stay open"; }
kill "$app"; wait "$app" 2> /dev/null || true

echo "-- uninstall keeps only the presets"
HOME="$home" "$home/.local/share/kravell/uninstall.sh" > "$scratch/uninstall.log"
cat "$scratch/uninstall.log"
grep -q "presets are kept in $home/.config/DornelAudio/Kravell" "$scratch/uninstall.log" || fail "uninstall.sh does not say where the presets are"
# ~/.vst3 was there before (with the older build), so it stays; ~/.cache is the desktop
# libraries' own, written while the app ran.
left="$(cd "$home" && find . -mindepth 1 \( -path ./.config -o -path ./.cache \) -prune -o -print | tr '\n' ' ')"
[ "$left" = "./.vst3 " ] || fail "uninstall.sh left behind: $left"
[ -f "$home/.config/DornelAudio/Kravell/version_$kravell_version/Presets/Mine.xml" ] || fail "uninstall.sh removed the user's preset"

echo "-- install and uninstall for every user, under a scratch prefix"
prefix="$scratch/usr-local"
mkdir -p "$prefix/share/applications"
touch "$prefix/share/applications/other-app.desktop"
"$unpacked/install.sh" --system --prefix "$prefix" > /dev/null
for installed in lib/vst3/Kravell.vst3 lib/lv2/Kravell.lv2 bin/kravell share/applications/kravell.desktop share/icons/hicolor/scalable/apps/kravell.svg \
    "share/vst3/presets/Dornel Audio/Kravell/Punchy Kicks.vstpreset"; do
    [ -e "$prefix/$installed" ] || fail "install.sh --system did not install $installed"
done
"$unpacked/uninstall.sh" --system --prefix "$prefix" > /dev/null
left="$(cd "$prefix" && find . -mindepth 1 | sort | tr '\n' ' ')"
[ "$left" = "./share ./share/applications ./share/applications/other-app.desktop " ] || fail "uninstall.sh --system left: $left (or removed what was not Kravell's)"

echo "-- a folder that cannot be written is refused, and nothing changes"
locked="$scratch/locked-home"
mkdir -p "$locked"
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod 555 "$locked"
    as_user=()
fi
if HOME="$locked" "${as_user[@]}" "$unpacked/install.sh" > "$scratch/refused.log" 2>&1; then
    fail "install.sh succeeded in a home it cannot write"
fi
grep -q "Cannot write to $locked" "$scratch/refused.log" || fail "install.sh did not say what it cannot write: $(cat "$scratch/refused.log")"
[ -z "$(ls -A "$locked")" ] || fail "install.sh changed a home it refused"
echo "release archive $(basename "$archive"): installs, runs and uninstalls as a user meets it"
