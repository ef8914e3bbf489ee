#!/usr/bin/env bash
# Checks a folder of release artifacts: check-release.sh FOLDER
# SHA256SUMS verifies and lists every artifact; every artifact's name carries the project's
# version; each package holds the licence (the same text as LICENSE), complete third-party
# notices and installation notes of that version, and its plug-ins say that version.
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
    [[ "$name" == *"-$kravell_version-"* || "$name" == *"-$kravell_version."* ]] || fail "$name does not carry version $kravell_version"
done

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
    rm -rf "$scratch/tar"
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
