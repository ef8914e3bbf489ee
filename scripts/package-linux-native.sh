#!/usr/bin/env bash
# Packages the Linux release build (build/, made by build.sh, test.sh or release.sh) as a
# Debian package and an rpm, beside the tarball and from the same binaries, rebuilding
# nothing: dist/kravell_<version>_amd64.deb and dist/kravell-<version>-1.x86_64.rpm, with the
# plug-ins, the VST3 factory presets and the app where the distributions' hosts and desktops
# look (/usr/lib/vst3, /usr/lib/lv2, /usr/share/vst3/presets, /usr/bin, /usr/share). Their
# dependencies are computed from the binaries, by dpkg-shlibdeps and by rpm. Prints the two
# packages' paths.
#
# KRAVELL_PACKAGE_VERSION=V packs the files of the last run again as version V (an upgrade
# test's newer package) into build/native-package/versions/, leaving dist/ alone.
# Sourced, it only defines its functions and settings.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$root/scripts/deps.sh"

native_artefacts="$root/build/Kravell_artefacts/Release"
native_work="$root/build/native-package"
# The tree both packages carry, where dpkg-shlibdeps expects a package's files.
native_staging="$native_work/debian/kravell"
native_templates="$root/packaging"

native_fail() { echo "package-linux-native: $*" >&2; exit 1; }

# A field of the control template: native_control_field NAME
native_control_field() { sed -n "s/^$1: //p" "$native_templates/deb/control.in"; }

# A file's text as the continuation lines of a Debian control field: blank lines become " ."
native_as_field_text() { sed -e 's/[[:space:]]*$//' -e 's/^$/./' -e 's/^/ /' "$1"; }

# The release notes in the form Debian's tools (and lintian) read a package's changelog.gz in:
# one entry per version of CHANGELOG.md, its sections and items wrapped to 78 columns, dated
# by the entry's date or, while it is unreleased, by the last commit.
native_write_changelog()
{
    local out="$1" maintainer stamp
    maintainer="$(native_control_field Maintainer)"
    stamp="$(git -C "$root" log -1 --format=%ct 2> /dev/null || date +%s)"
    awk -v maintainer="$maintainer" -v released="$(date -u -R -d "@$stamp")" '
        function wrap(text, first, rest,    n, words, i, line) {
            n = split(text, words, " ")
            line = first
            for (i = 1; i <= n; ++i) {
                if (line != first && line != rest && length(line) + 1 + length(words[i]) > 78) {
                    print line
                    line = rest
                }
                line = line ((line == first || line == rest) ? "" : " ") words[i]
            }
            if (line != first && line != rest) print line
        }
        function flush() {
            if (paragraph != "") wrap(paragraph, bullet ? "  * " : "  ", bullet ? "    " : "  ")
            paragraph = ""
        }
        function close_entry() {
            flush()
            if (open) printf "\n -- %s  %s\n\n", maintainer, date
            open = 0
        }
        /^## \[/ {
            close_entry()
            version = $0; sub(/^## \[/, "", version); sub(/\].*/, "", version)
            when = $0; sub(/^[^]]*\][ -]*/, "", when)
            date = released
            if (when ~ /^[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$/) {
                command = "date -u -R -d " when; command | getline date; close(command)
            }
            printf "kravell (%s) stable; urgency=medium\n\n", version
            open = 1; last = ""
            next
        }
        ! open { next }
        {
            gsub(/`/, "")
            # [text](address) -> text <address>
            while (match($0, /\[[^]]*\]\([^)]*\)/)) {
                link = substr($0, RSTART, RLENGTH)
                middle = index(link, "](")
                $0 = substr($0, 1, RSTART - 1) substr(link, 2, middle - 2) " <" substr(link, middle + 2, length(link) - middle - 2) ">" substr($0, RSTART + RLENGTH)
            }
        }
        /^### / { flush(); sub(/^### /, ""); if (last != "") print ""; print "  " $0 ":"; last = "heading"; next }
        /^[[:space:]]*$/ { flush(); next }
        /^- / { flush(); bullet = 1; paragraph = substr($0, 3); last = "text"; next }
        /^  / && bullet && paragraph != "" { sub(/^ +/, ""); paragraph = paragraph " " $0; next }
        {
            if (paragraph == "") { bullet = 0; if (last == "text") print ""; paragraph = $0 }
            else paragraph = paragraph " " $0
            last = "text"
        }
        END { close_entry() }
    ' "$root/CHANGELOG.md" | sed -e '${/^$/d}' > "$out"
    [ -s "$out" ] || native_fail "no version entry in CHANGELOG.md"
}

# The copyright file: Debian's machine-readable form, naming Kravell's licence and, whole, the
# third-party notices the other packages carry. With "debian", the GPLv3 is a reference to
# the copy every Debian system has (as policy asks); otherwise it is there in full.
# native_write_copyright FILE debian|complete
native_write_copyright()
{
    local out="$1" kind="$2" notices="$native_work/notices.txt" gpl="$native_work/gpl-3.txt"
    local gpl_heading="The GNU General Public License, version 3 (the VST3 SDK's licence here)"
    fetch_image_library_sources
    write_framework_notices "$notices" "Kravell $kravell_version for Linux" \
        "zlib (linked in)" "$image_sources/zlib/debian/copyright" \
        "libpng (linked in)" "$image_sources/libpng1.6/debian/copyright" \
        "libjpeg-turbo (linked in)" "$image_sources/libjpeg-turbo/debian/copyright"
    grep -qxF "$gpl_heading" "$notices" || native_fail "the notices no longer have the section: $gpl_heading"
    if [ "$kind" = debian ]; then
        printf 'On Debian systems, the complete text of the GNU General Public License version 3\ncan be found in /usr/share/common-licenses/GPL-3.\n' > "$gpl"
        # The notices' copy of the GPLv3 gives way to the same reference.
        awk -v heading="$gpl_heading" -v reference="$gpl" '
            $0 == heading { print; print ""; while ((getline line < reference) > 0) print line; skipping = 1; next }
            skipping && /^=+$/ { skipping = 0 }
            ! skipping
        ' "$notices" > "$notices.tmp"
        mv "$notices.tmp" "$notices"
    else
        cp /usr/share/common-licenses/GPL-3 "$gpl"
    fi
    local copyright_line
    # "Copyright (C) 2026 Dornel Audio. Licensed under ..." -> "2026 Dornel Audio"
    copyright_line="$(printf '%s\n' "$kravell_copyright" | sed -n 's/^Copyright (C) \([0-9, -]*[0-9]\) \([^.]*\)\..*/\1 \2/p')"
    [ -n "$copyright_line" ] || native_fail "cannot read the holder from: $kravell_copyright"
    native_as_field_text "$root/LICENSE" > "$native_work/licence.field"
    native_as_field_text "$gpl" > "$native_work/gpl.field"
    native_as_field_text "$notices" > "$native_work/notices.field"
    awk -v holder="$copyright_line" -v licence="$native_work/licence.field" \
        -v gpl="$native_work/gpl.field" -v notices="$native_work/notices.field" '
        function insert(file,    line) { while ((getline line < file) > 0) print line; close(file) }
        { gsub(/@COPYRIGHT@/, holder) }
        /^@LICENSE@$/ { insert(licence); next }
        /^@GPL3@$/ { insert(gpl); next }
        /^@NOTICES@$/ { insert(notices); next }
        { print }
    ' "$native_templates/deb/copyright.in" > "$out"
}

# Copies the release build into the tree both packages carry, never changing build/.
native_stage()
{
    local built
    for built in "$native_artefacts/VST3/Kravell.vst3" "$native_artefacts/LV2/Kravell.lv2" "$native_artefacts/Standalone/Kravell"; do
        [ -e "$built" ] || native_fail "not built: $built (run ./scripts/build.sh first)"
    done
    [ "$(ls "$root/build/vst3-presets/"*.vstpreset 2> /dev/null | wc -l)" -eq 8 ] \
        || native_fail "not the eight VST3 factory presets in build/vst3-presets (run ./scripts/build.sh first)"

    rm -rf "$native_work"
    local usr="$native_staging/usr"
    local presets="$usr/share/vst3/presets/Dornel Audio/Kravell" doc="$usr/share/doc/kravell"
    mkdir -p "$usr/bin" "$usr/lib/vst3" "$usr/lib/lv2" "$usr/share/applications" "$usr/share/man/man1" \
        "$usr/share/icons/hicolor/scalable/apps" "$usr/share/icons/hicolor/256x256/apps" "$presets" "$doc"
    cp -R "$native_artefacts/VST3/Kravell.vst3" "$usr/lib/vst3/"
    cp -R "$native_artefacts/LV2/Kravell.lv2" "$usr/lib/lv2/"
    [ -f "$usr/lib/vst3/Kravell.vst3/Contents/Resources/Snapshots/ABCDEF019182FAEB446F726E4B726176_snapshot.png" ] \
        || native_fail "the VST3 has no snapshots (build.sh and test.sh add them)"
    cp "$root/build/vst3-presets/"*.vstpreset "$presets/"
    cp "$native_artefacts/Standalone/Kravell" "$usr/bin/kravell"
    # What ships carries no symbols beyond those the hosts and the loader need.
    strip --strip-unneeded "$usr/bin/kravell" "$usr/lib/vst3/Kravell.vst3/Contents/x86_64-linux/Kravell.so" "$usr"/lib/lv2/Kravell.lv2/*.so
    sed 's|@KRAVELL_BINARY@|/usr/bin/kravell|' "$root/packaging/linux/kravell.desktop" > "$usr/share/applications/kravell.desktop"
    cp "$root/packaging/icons/kravell.svg" "$usr/share/icons/hicolor/scalable/apps/"
    rsvg-convert -w 256 -h 256 "$root/packaging/icons/kravell.svg" -o "$usr/share/icons/hicolor/256x256/apps/kravell.png"
    sed "s/@VERSION@/$kravell_version/g" "$native_templates/deb/kravell.1" | gzip -9n > "$usr/share/man/man1/kravell.1.gz"
    native_write_changelog "$native_work/changelog"
    gzip -9n < "$native_work/changelog" > "$doc/changelog.gz"
    native_write_copyright "$doc/copyright" debian
    native_write_copyright "$native_work/copyright-complete" complete

    # Owned by root (dpkg-deb and rpm set that), 0755 for folders and programs, 0644 for the
    # rest: shared objects need no execute bit, and Debian's policy asks for none.
    find "$native_staging" -type d -exec chmod 755 {} +
    find "$native_staging" -type f -exec chmod 644 {} +
    chmod 755 "$usr/bin/kravell"
    # Dated by the last commit, so the same tree packs the same.
    local stamp
    stamp="$(git -C "$root" log -1 --format=%ct 2> /dev/null || date +%s)"
    echo "$stamp" > "$native_work/stamp"
    find "$native_staging" -exec touch -h -d "@$stamp" {} +
}

# Writes the .deb of the staged tree: native_build_deb VERSION FOLDER (prints its path).
native_build_deb()
{
    local version="$1" out="$2" control="$native_staging/DEBIAN" lintian="$native_staging/usr/share/lintian"
    [ -x "$native_staging/usr/bin/kravell" ] || native_fail "nothing staged in $native_staging"
    rm -rf "$control" "$lintian"
    mkdir -p "$control" "$out"
    # Only Debian's tools read the reasons for lintian's findings we disagree with.
    install -D -m 644 "$native_templates/deb/lintian-overrides" "$lintian/overrides/kravell"
    touch -d "@$(cat "$native_work/stamp")" "$lintian" "$lintian/overrides" "$lintian/overrides/kravell"
    # dpkg-shlibdeps reads the package's name from a control file beside the tree.
    printf 'Source: kravell\n\nPackage: kravell\nArchitecture: amd64\n' > "$native_work/debian/control"
    local depends
    depends="$(cd "$native_work" && dpkg-shlibdeps -O -e"$native_staging/usr/bin/kravell" \
        -e"$native_staging/usr/lib/vst3/Kravell.vst3/Contents/x86_64-linux/Kravell.so" \
        -e"$native_staging/usr/lib/lv2/Kravell.lv2/libKravell.so" 2> "$native_work/shlibdeps.log" \
        | sed -n 's/^shlibs:Depends=//p')" || { cat "$native_work/shlibdeps.log" >&2; native_fail "dpkg-shlibdeps failed"; }
    [ -n "$depends" ] || { cat "$native_work/shlibdeps.log" >&2; native_fail "dpkg-shlibdeps found no dependencies"; }
    # Debian 13 and Ubuntu 24.04 renamed ALSA's library package for 64-bit time.
    [[ "$depends" =~ (^|, )libasound2( |,|$) ]] || native_fail "dpkg-shlibdeps gave no libasound2 to widen: $depends"
    depends="$(printf '%s\n' "$depends" | sed -E 's/(^|, )(libasound2( \([^)]*\))?)/\1\2 | libasound2t64/')"
    # As dpkg-gencontrol counts it: KiB per file, rounded up, and one per folder.
    local size
    size="$(cd "$native_staging" && find usr -printf '%y %s\n' | awk '$1 == "f" { s += int(($2 + 1023) / 1024); next } { s += 1 } END { print s }')"
    sed -e "s/@VERSION@/$version/" -e "s/@DEPENDS@/$depends/" -e "s/@INSTALLED_SIZE@/$size/" \
        "$native_templates/deb/control.in" > "$control/control"
    (cd "$native_staging" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) > "$control/md5sums"
    chmod 644 "$control/control" "$control/md5sums"
    local deb="$out/kravell_${version}_amd64.deb"
    SOURCE_DATE_EPOCH="$(cat "$native_work/stamp")" dpkg-deb --root-owner-group -Zxz --build "$native_staging" "$deb.tmp" > /dev/null
    rm -rf "$control" "$lintian"
    mv "$deb.tmp" "$deb"
    echo "$deb"
}

# Writes the .rpm of the staged tree: native_build_rpm VERSION FOLDER (prints its path).
native_build_rpm()
{
    local version="$1" out="$2" top="$native_work/rpm"
    [ -x "$native_staging/usr/bin/kravell" ] || native_fail "nothing staged in $native_staging"
    rm -rf "$top"
    mkdir -p "$top/SPECS" "$out"
    local summary description="$native_work/rpm-description"
    summary="$(native_control_field Description)"
    # The long description of the control template, without its field indentation.
    sed -n '/^Description:/,$ { /^Description:/d; s/^ //; s/^\.$//; p }' "$native_templates/deb/control.in" > "$description"
    awk -v version="$version" -v summary="$summary" -v staging="$native_staging" \
        -v copyright="$native_work/copyright-complete" -v description="$description" '
        /^@DESCRIPTION@$/ { while ((getline line < description) > 0) print line; next }
        { gsub(/@VERSION@/, version); gsub(/@SUMMARY@/, summary); gsub(/@STAGING@/, staging); gsub(/@COPYRIGHT@/, copyright); print }
    ' "$native_templates/rpm/kravell.spec.in" > "$top/SPECS/kravell.spec"
    SOURCE_DATE_EPOCH="$(cat "$native_work/stamp")" rpmbuild --quiet -bb --define "_topdir $top" \
        --define "_rpmdir $top/RPMS" --define "_build_name_fmt %%{NAME}-%%{VERSION}-%%{RELEASE}.%%{ARCH}.rpm" \
        "$top/SPECS/kravell.spec" > "$native_work/rpmbuild.log" 2>&1 \
        || { cat "$native_work/rpmbuild.log" >&2; native_fail "rpmbuild failed"; }
    local rpm="$out/kravell-$version-1.x86_64.rpm"
    mv "$top/RPMS/kravell-$version-1.x86_64.rpm" "$rpm"
    echo "$rpm"
}

# lintian on a Debian package, with the overridden findings shown (O:, their reasons in
# packaging/deb/lintian-overrides), which lintian's own --fail-on would then count too; fails
# on an error or a warning: native_lint DEB LOG
native_lint()
{
    lintian --fail-on none --show-overrides "$1" > "$2" 2>&1 || { echo "lintian could not check $(basename "$1")" >&2; return 1; }
    grep -E '^[A-Z]: ' "$2" | grep -v '^N: ' || true
    ! grep -qE '^[EW]: ' "$2" || { echo "lintian found errors or warnings in $(basename "$1")" >&2; return 1; }
    echo "lintian: no errors, no warnings in $(basename "$1")"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    install_packages dpkg-dev lintian rpm librsvg2-bin
    package_version="${KRAVELL_PACKAGE_VERSION:-$kravell_version}"
    if [ "$package_version" = "$kravell_version" ]; then
        native_stage
        out="$root/dist"
    else
        out="$native_work/versions"
    fi
    native_build_deb "$package_version" "$out"
    native_build_rpm "$package_version" "$out"
fi
