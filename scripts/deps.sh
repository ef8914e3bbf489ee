#!/usr/bin/env bash
# Installs everything the build and the tests need, idempotently: Debian packages and the
# JUCE 8.0.6 source tree (fetched as Debian's source package into a git-ignored folder).
# Run by build.sh and test.sh; safe to run any number of times. Sourced (build-windows.sh),
# it only defines its functions and settings.
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
    xvfb xauth x11-utils openbox xsettingsd fonts-dejavu-core
    dpkg-dev xz-utils patch ccache
    libjack-jackd2-dev
    lilv-utils liblilv-dev xdotool wmctrl imagemagick gdb
)

log() { printf '[deps] %s\n' "$*" >&2; }

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Installs the named Debian packages that are not installed yet.
install_packages()
{
    local missing=()
    for p in "$@"; do
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

# The JUCE source package is kept in .deps/juce-source, so the tree can be unpacked afresh
# whenever our patch set changes, without fetching again.
juce_source_dir="$deps_dir/juce-source"
patch_dir="$root/patches/juce"

fetch_juce_source()
{
    if [ -f "$juce_source_dir/version" ] && [ "$(cat "$juce_source_dir/version")" = "$juce_version" ]; then
        return
    fi
    log "fetching JUCE $juce_version source package"
    rm -rf "$juce_source_dir"
    mkdir -p "$juce_source_dir"
    private_apt update -qq
    (cd "$juce_source_dir" && private_apt source --download-only -qq "juce=$juce_version")
    echo "$juce_version" > "$juce_source_dir/version"
}

# Runs apt with a private configuration: its own sources list (the next Debian release's
# sources and binaries, and the system release's sources), state and cache, so the system's
# apt set-up is never touched.
private_apt()
{
    local apt_dir="$deps_dir/apt"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/etc/preferences.d" "$apt_dir/etc/apt.conf.d"
    local uri system_suite
    uri="$(debian_archive_uri)"
    system_suite="$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-bookworm}")"
    {
        printf 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s trixie main\n' "$uri"
        printf 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s trixie main\n' "$uri"
        printf 'deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] %s %s main\n' "$uri" "$system_suite"
    } > "$apt_dir/sources.list"
    touch "$apt_dir/status"
    apt-get \
        -o "Dir::Etc::SourceList=$apt_dir/sources.list" \
        -o "Dir::Etc::SourceParts=/dev/null" \
        -o "Dir::Etc::Preferences=$apt_dir/etc/preferences" \
        -o "Dir::Etc::PreferencesParts=$apt_dir/etc/preferences.d" \
        -o "Dir::State=$apt_dir" \
        -o "Dir::State::Lists=$apt_dir/lists" \
        -o "Dir::State::status=$apt_dir/status" \
        -o "Dir::Cache=$apt_dir" \
        -o "Dir::Cache::Archives=$apt_dir/archives" \
        -o "APT::Architecture=amd64" \
        -o "APT::Sandbox::User=root" \
        -o "Acquire::Languages=none" \
        "$@"
}

# A fingerprint of our patch set (names and contents), kept next to the patched tree.
patch_set_stamp()
{
    {
        echo "$juce_version"
        for p in "$patch_dir"/*.patch; do
            [ -e "$p" ] || continue
            basename "$p"
            sha256sum < "$p"
        done
    } | sha256sum | cut -d' ' -f1
}

# Unpacks JUCE and applies patches/juce/*.patch in name order. Done again from the kept
# source package whenever the patch set changes; a patch that no longer applies stops the
# set-up with its name, and leaves no half-patched tree behind.
prepare_juce()
{
    local stamp
    stamp="$(patch_set_stamp)"
    if [ -f "$juce_dir/.kravell-patches" ] && [ "$(cat "$juce_dir/.kravell-patches")" = "$stamp" ]; then
        log "JUCE $juce_version present, patch set unchanged"
        return
    fi
    fetch_juce_source
    log "unpacking JUCE $juce_version and applying patches/juce"
    rm -rf "$juce_dir.tmp"
    local dsc
    dsc=$(ls "$juce_source_dir"/juce_*.dsc | head -n 1)
    (cd "$juce_source_dir" && dpkg-source --no-check -x "$dsc" "$juce_dir.tmp" >/dev/null)
    # Verify what we got really is JUCE 8.0.6.
    grep -q 'project(JUCE VERSION 8.0.6' "$juce_dir.tmp/CMakeLists.txt" \
        || { log "unexpected JUCE version in the source package"; exit 1; }
    for p in "$patch_dir"/*.patch; do
        [ -e "$p" ] || continue
        if ! patch -d "$juce_dir.tmp" -p1 --forward --batch --silent --no-backup-if-mismatch < "$p"; then
            log "patch no longer applies to JUCE $juce_version: ${p#"$root"/}"
            rm -rf "$juce_dir.tmp"
            exit 1
        fi
        log "applied ${p#"$root"/}"
    done
    echo "$juce_version" > "$juce_dir.tmp/.kravell-version"
    echo "$stamp" > "$juce_dir.tmp/.kravell-patches"
    rm -rf "$juce_dir"
    mv "$juce_dir.tmp" "$juce_dir"
}

# The image codecs and zlib as the system release ships them, as Debian source packages
# unpacked into .deps/image-sources: linked statically into what we ship, on Windows and on
# Linux, so no user needs a distribution's own copies under Debian's names.
image_sources="$deps_dir/image-sources"
fetch_image_library_sources()
{
    if [ -f "$image_sources/.complete" ]; then
        return
    fi
    log "fetching the zlib, libpng and libjpeg-turbo sources"
    rm -rf "$image_sources"
    mkdir -p "$image_sources/packages"
    local suite
    suite="$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-bookworm}")"
    private_apt update -qq
    (cd "$image_sources/packages" && private_apt source --download-only -qq "zlib/$suite" "libpng1.6/$suite" "libjpeg-turbo/$suite")
    local dsc name
    for dsc in "$image_sources"/packages/*.dsc; do
        name="$(basename "$dsc" .dsc)"
        dpkg-source --no-check -x "$dsc" "$image_sources/${name%%_*}" > /dev/null
    done
    touch "$image_sources/.complete"
}

# Builds one CMake library into a prefix: build_cmake_library SOURCE BUILD PREFIX [cmake args...]
build_cmake_library()
{
    local source="$1" build="$2" prefix="$3"; shift 3
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR="$prefix/lib" "$@" > "$build.log" 2>&1 \
        && cmake --build "$build" --parallel "$(nproc)" >> "$build.log" 2>&1 \
        && cmake --install "$build" >> "$build.log" 2>&1 \
        || { tail -n 40 "$build.log"; log "building $(basename "$source") failed (log: $build.log)"; exit 1; }
}

# Static, position-independent zlib, libpng and libjpeg for the Linux plug-ins and app, in
# .deps/linux-x64 (the release build links them; their symbols are kept inside our modules).
linux_codecs_prefix="$deps_dir/linux-x64"
build_linux_codecs()
{
    if [ -f "$linux_codecs_prefix/.complete" ]; then
        return
    fi
    fetch_image_library_sources
    log "building static zlib, libpng and libjpeg"
    local work="$deps_dir/linux-codecs-build"
    rm -rf "$linux_codecs_prefix" "$work"
    mkdir -p "$work"
    cp -R "$image_sources/zlib" "$work/zlib"
    (cd "$work/zlib" && CFLAGS="-O2 -fPIC" ./configure --static --prefix="$linux_codecs_prefix" > "$work/zlib.log" 2>&1 \
        && make -j"$(nproc)" install >> "$work/zlib.log" 2>&1) \
        || { tail -n 40 "$work/zlib.log"; log "building zlib failed"; exit 1; }
    build_cmake_library "$image_sources/libpng1.6" "$work/libpng" "$linux_codecs_prefix" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_TOOLS=OFF -DPNG_EXECUTABLES=OFF \
        -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
        -DZLIB_INCLUDE_DIR="$linux_codecs_prefix/include" -DZLIB_LIBRARY="$linux_codecs_prefix/lib/libz.a"
    # Without the SIMD code, which needs an assembler: the plug-in decodes no JPEGs where speed matters.
    build_cmake_library "$image_sources/libjpeg-turbo" "$work/libjpeg" "$linux_codecs_prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON
    # The framework reads libjpeg's internals header too, which Debian's -dev package installs.
    cp "$image_sources/libjpeg-turbo/jpegint.h" "$linux_codecs_prefix/include/"
    rm -rf "$work"
    touch "$linux_codecs_prefix/.complete"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    install_packages "${packages[@]}"
    prepare_juce
    build_linux_codecs
fi
