#!/usr/bin/env bash
# Installs everything the build and the tests need, idempotently: Debian packages and the
# JUCE 8.0.6 source tree (fetched as Debian's source package into a git-ignored folder).
# Sourced or run by build.sh and test.sh; safe to run any number of times.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps_dir="$root/.deps"
juce_version="8.0.6+ds-2"
juce_dir="$deps_dir/juce"

packages=(
    build-essential g++ cmake pkg-config ninja-build
    libx11-dev libxinerama-dev libxrandr-dev libxcursor-dev libxext-dev libxcomposite-dev
    libfreetype-dev libfontconfig1-dev zlib1g-dev libpng-dev libjpeg-dev libasound2-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils openbox fonts-dejavu-core
    dpkg-dev xz-utils ccache
)

log() { printf '[deps] %s\n' "$*" >&2; }

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

install_packages()
{
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        log "Debian packages present"
        return
    fi
    log "installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The archive URI is taken from the system's own Debian sources, never written down here.
debian_archive_uri()
{
    local uri=""
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        uri=$(awk '/^URIs:/ { for (i = 2; i <= NF; ++i) if ($i !~ /security/) { print $i; exit } }' /etc/apt/sources.list.d/debian.sources)
    fi
    if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
        uri=$(awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; ++i) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' /etc/apt/sources.list)
    fi
    [ -n "$uri" ] || { log "cannot find the Debian archive in the system's apt sources"; exit 1; }
    printf '%s\n' "$uri"
}

fetch_juce()
{
    if [ -f "$juce_dir/.kravell-version" ] && [ "$(cat "$juce_dir/.kravell-version")" = "$juce_version" ]; then
        log "JUCE $juce_version present"
        return
    fi
    log "fetching JUCE $juce_version source package"
    local apt_dir="$deps_dir/apt"
    rm -rf "$apt_dir" "$juce_dir"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/src" "$apt_dir/etc/preferences.d" "$apt_dir/etc/apt.conf.d"
    # A private apt configuration: its own sources list, state and cache, so the system's
    # apt set-up is never touched.
    printf 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s trixie main\n' "$(debian_archive_uri)" > "$apt_dir/sources.list"
    touch "$apt_dir/status"
    local opts=(
        -o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=/dev/null"
        -o "Dir::Etc::Preferences=$apt_dir/etc/preferences"
        -o "Dir::Etc::PreferencesParts=$apt_dir/etc/preferences.d"
        -o "Dir::State=$apt_dir"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::State::status=$apt_dir/status"
        -o "Dir::Cache=$apt_dir"
        -o "Dir::Cache::Archives=$apt_dir/archives"
        -o "APT::Sandbox::User=root"
        -o "Acquire::Languages=none"
    )
    apt-get "${opts[@]}" update -qq
    (cd "$apt_dir/src" && apt-get "${opts[@]}" source --download-only -qq "juce=$juce_version")
    local dsc
    dsc=$(ls "$apt_dir/src"/juce_*.dsc | head -n 1)
    (cd "$apt_dir/src" && dpkg-source --no-check -x "$dsc" "$juce_dir.tmp" >/dev/null)
    # Verify what we got really is JUCE 8.0.6.
    grep -q 'project(JUCE VERSION 8.0.6' "$juce_dir.tmp/CMakeLists.txt" \
        || { log "unexpected JUCE version in the source package"; exit 1; }
    mv "$juce_dir.tmp" "$juce_dir"
    echo "$juce_version" > "$juce_dir/.kravell-version"
    rm -rf "$apt_dir/src" "$apt_dir/archives"
}

install_packages
fetch_juce
