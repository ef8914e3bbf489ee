#!/usr/bin/env bash
# Builds the user manual from docs/manual.md: renders its pictures from the real editor with
# kravell-shots (on the current X display, or a test display started for it), fills in the
# version, and writes
#   OUTDIR/Kravell-<version>-manual.html   one file, pictures and styles embedded
#   OUTDIR/Kravell-<version>-manual.pdf    the same, paged for A4
# Installs what it needs (pandoc, WeasyPrint) and skips what is already there.
#   scripts/build-manual.sh OUTDIR
# KRAVELL_MANUAL_BUILD_DIR names another Release build folder than build/ to build the tool in.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$root/scripts/deps.sh"

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
mkdir -p "$1"
out="$(cd "$1" && pwd)"

"$root/scripts/deps.sh"
install_packages pandoc weasyprint

build="${KRAVELL_MANUAL_BUILD_DIR:-$root/build}"
configure_and_build "$build" -DCMAKE_BUILD_TYPE=Release -- kravell-shots

# The pictures and the filled-in text are made afresh each time, beside each other, so the
# text's relative picture paths (images/...) resolve.
work="$build/manual"
rm -rf "$work"
mkdir -p "$work/images"
ensure_display
"$build/tools/kravell-shots" "$work/images"
sed "s/@VERSION@/$kravell_version/g" "$root/docs/manual.md" > "$work/manual.md"
if grep -q '@VERSION@' "$work/manual.md"; then
    echo "the manual still holds @VERSION@ after substitution" >&2
    exit 1
fi

# Every picture the text names must have been rendered: pandoc would only warn.
grep -o 'images/[A-Za-z0-9_.-]*\.png' "$work/manual.md" | sort -u | while read -r picture; do
    [ -f "$work/$picture" ] || { echo "the manual shows $picture, which kravell-shots did not render" >&2; exit 1; }
done

name="Kravell-$kravell_version-manual"
html="$out/$name.html"
pdf="$out/$name.pdf"

# Debian 12's pandoc (2.17) embeds pictures and styles with --self-contained.
(cd "$work" && pandoc manual.md --from markdown --to html5 --standalone --self-contained \
    --toc --toc-depth 2 --css "$root/docs/manual.css" --resource-path "$work" \
    --metadata pagetitle="Kravell $kravell_version manual" --output "$html")

# One file: nothing it shows may be fetched from elsewhere.
if grep -Eo '(src|href)="[^"]{0,5}' "$html" | grep -Ev '="(data:|#)' | grep -q .; then
    grep -Eo '(src|href)="[^"]{0,60}' "$html" | grep -Ev '="(data:|#)' >&2
    echo "$html refers to files outside itself" >&2
    exit 1
fi

weasyprint --quiet "$html" "$pdf"

echo "Manual (HTML): $html"
echo "Manual (PDF):  $pdf"
