#!/usr/bin/env bash
# Checks a folder of release artifacts: check-release.sh FOLDER
# SHA256SUMS verifies and lists every artifact; every artifact's name carries the project's
# version; each package holds the licence (the same text as LICENSE), complete third-party
# notices and installation notes of that version, and its plug-ins say that version; each
# package's VST3 has its snapshots, and the factory presets are beside it for hosts.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

folder="$1"
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -f "$folder/SHA256SUMS" ] || fail "no SHA256SUMS in $folder"
(cd "$folder" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not verify"
for artifact in "$folder"/*; do
    name="$(basename "$artifact")"
    [ "$name" = SHA256SUMS ] && continue
    grep -q "  $name\$" "$folder/SHA256SUMS" || fail "$name is not in SHA256SUMS"
    [[ "$name" == *"-$kravell_version-"* || "$name" == *"-$kravell_version."* || "$name" == *"_${kravell_version}_"* ]] || fail "$name does not carry version $kravell_version"
done

# What hosts show of a package's VST3: the snapshots its manifest lists, and the eight factory
# presets as VST3 preset files: check_host_files PACKAGE BUNDLE PRESETS
check_host_files()
{
    local snapshot
    for snapshot in ABCDEF019182FAEB446F726E4B726176_snapshot.png ABCDEF019182FAEB446F726E4B726176_snapshot_2.0x.png; do
        [ -f "$2/Contents/Resources/Snapshots/$snapshot" ] || fail "$1: no $snapshot in the VST3"
        grep -q "Snapshots/$snapshot" "$2/Contents/Resources/moduleinfo.json" || fail "$1: the VST3's manifest does not list $snapshot"
    done
    [ "$(ls "$3"/*.vstpreset 2> /dev/null | wc -l)" -eq 8 ] || fail "$1: not the eight VST3 factory presets in ${3#"$scratch"/}"
}

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
checked=0
for zip in "$folder"/*.zip; do
    [ -e "$zip" ] || continue
    unzip -q "$zip" -d "$scratch/zip"
    top="$scratch/zip/$(basename "$zip" .zip)"
    [ -d "$top" ] || fail "$(basename "$zip") does not unpack into $(basename "$top")"
    cmp -s <(tr -d '\r' < "$top/LICENSE.txt") "$root/LICENSE" || fail "$(basename "$zip"): LICENSE.txt is not the project's licence"
    for part in "JUCE 8" "VST3 SDK" "GNU General Public License, version 3" "DejaVu" "MinGW-w64 runtime" "GCC runtime" "zlib" "libpng" "libjpeg"; do
        grep -q "^$part\|^The $part" "$top/THIRD-PARTY-NOTICES.txt" || fail "$(basename "$zip"): no notice for $part"
    done
    grep -q "Kravell $kravell_version" "$top/INSTALL.txt" || fail "$(basename "$zip"): INSTALL.txt does not name version $kravell_version"
    manifest="$top/Kravell.vst3/Contents/Resources/moduleinfo.json"
    grep -q "\"Version\": \"$kravell_version\"" "$manifest" || fail "$(basename "$zip"): the plug-in's manifest is not version $kravell_version"
    check_host_files "$(basename "$zip")" "$top/Kravell.vst3" "$top/VST3 Presets/Dornel Audio/Kravell"
    rm -rf "$scratch/zip"
    checked=$((checked + 1))
done
for archive in "$folder"/*.tar.gz; do
    [ -e "$archive" ] || continue
    mkdir -p "$scratch/tar"
    tar -xzf "$archive" -C "$scratch/tar"
    top="$scratch/tar/$(basename "$archive" .tar.gz)"
    [ -d "$top" ] || fail "$(basename "$archive") does not unpack into $(basename "$top")"
    cmp -s "$top/LICENSE" "$root/LICENSE" || fail "$(basename "$archive"): LICENSE is not the project's licence"
    for part in "JUCE 8" "VST3 SDK" "GNU General Public License, version 3" "DejaVu" "zlib" "libpng" "libjpeg"; do
        grep -q "^$part\|^The $part" "$top/THIRD-PARTY-NOTICES.txt" || fail "$(basename "$archive"): no notice for $part"
    done
    grep -q "Kravell $kravell_version" "$top/INSTALL.txt" || fail "$(basename "$archive"): INSTALL.txt does not name version $kravell_version"
    grep -q "Kravell $kravell_version" "$top/install.sh" || fail "$(basename "$archive"): install.sh does not name version $kravell_version"
    grep -q "\"Version\": \"$kravell_version\"" "$top/Kravell.vst3/Contents/Resources/moduleinfo.json" \
        || fail "$(basename "$archive"): the VST3's manifest is not version $kravell_version"
    grep -q "doap:revision \"$kravell_version\"" "$top/Kravell.lv2/dsp.ttl" || fail "$(basename "$archive"): the LV2 is not version $kravell_version"
    check_host_files "$(basename "$archive")" "$top/Kravell.vst3" "$top/share/vst3/presets/Dornel Audio/Kravell"
    [ "$(grep -c 'a pset:Preset' "$top/Kravell.lv2/manifest.ttl")" -eq 8 ] || fail "$(basename "$archive"): the LV2 does not list the eight factory presets"
    rm -rf "$scratch/tar"
    checked=$((checked + 1))
done
for deb in "$folder"/*.deb; do
    [ -e "$deb" ] || continue
    [ "$(dpkg-deb -f "$deb" Version)" = "$kravell_version" ] || fail "$(basename "$deb") is not version $kravell_version"
    mkdir -p "$scratch/deb"
    dpkg-deb -x "$deb" "$scratch/deb"
    grep -q 'GNU Affero' "$scratch/deb/usr/share/doc/kravell/copyright" || fail "$(basename "$deb"): its copyright file does not name the licence"
    grep -q "\"Version\": \"$kravell_version\"" "$scratch/deb/usr/lib/vst3/Kravell.vst3/Contents/Resources/moduleinfo.json" \
        || fail "$(basename "$deb"): the VST3's manifest is not version $kravell_version"
    check_host_files "$(basename "$deb")" "$scratch/deb/usr/lib/vst3/Kravell.vst3" "$scratch/deb/usr/share/vst3/presets/Dornel Audio/Kravell"
    rm -rf "$scratch/deb"
    checked=$((checked + 1))
done
for rpm_package in "$folder"/*.rpm; do
    [ -e "$rpm_package" ] || continue
    [ "$(rpm -qp --qf '%{VERSION}' "$rpm_package" 2> /dev/null)" = "$kravell_version" ] || fail "$(basename "$rpm_package") is not version $kravell_version"
    rpm_files="$(rpm -qlp "$rpm_package" 2> /dev/null)"
    [ "$(grep -c '^/usr/share/vst3/presets/Dornel Audio/Kravell/.*\.vstpreset$' <<< "$rpm_files")" -eq 8 ] \
        || fail "$(basename "$rpm_package") does not hold the eight VST3 factory presets"
    checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || fail "no package in $folder"
for manual in "$folder"/*-manual.html; do
    [ -e "$manual" ] || continue
    grep -q "Kravell $kravell_version" "$manual" || fail "$(basename "$manual") does not name version $kravell_version"
    ! grep -q '@VERSION@' "$manual" || fail "$(basename "$manual") holds an unfilled version"
    grep -q 'GNU Affero' "$manual" || fail "$(basename "$manual") does not name the licence"
    pdf="${manual%.html}.pdf"
    [ -f "$pdf" ] && [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fail "no PDF beside $(basename "$manual")"
done
echo "release artifacts in ${folder#"$root"/}: version $kravell_version, licence and notices in every package, SHA256SUMS verifies"
