#!/usr/bin/env bash
# Cross-builds Kravell for 64-bit Windows on Debian 12 and packages it as a setup program,
# dist/Kravell-<version>-windows-x64-setup.exe (NSIS, made here), and as the portable
# dist/Kravell-<version>-windows-x64.zip. Also builds what scripts/test-windows.sh runs under
# Wine: the Windows test host and the speed program. Installs what it needs and skips what is
# already there; safe to run any number of times.
#
# The compiler is Debian 12's MinGW-w64 GCC; the Windows headers and import libraries are
# Debian 13's MinGW-w64 12 packages, unpacked into .deps (never installed); zlib is Debian's
# MinGW build, libpng and libjpeg are cross-built from Debian's source packages. Everything is
# linked statically, so the plug-in needs only Windows' own DLLs.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$root/scripts/deps.sh"

windows_packages=(
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    wine wine64 fonts-wine
    zip unzip
    nsis librsvg2-bin
)

build_dir="$root/build-windows"
dist_dir="$root/dist"
toolchain="$root/cmake/MinGW64Toolchain.cmake"
mingw_sdk_dir="$deps_dir/mingw-w64-12"
windows_prefix="$deps_dir/windows-x64"
windows_build="$deps_dir/windows-codecs-build"
package_name="Kravell-$kravell_version-windows-x64"

log() { printf '[windows] %s\n' "$*" >&2; }

# Debian 13's MinGW-w64 12 headers and import libraries (architecture-independent packages).
fetch_mingw_sdk()
{
    if [ -f "$mingw_sdk_dir/.complete" ]; then
        return
    fi
    log "fetching the MinGW-w64 12 headers and libraries"
    local download="$deps_dir/downloads/mingw-w64-12"
    rm -rf "$download" "$mingw_sdk_dir"
    mkdir -p "$download"
    private_apt update -qq
    (cd "$download" && private_apt download -qq mingw-w64-common mingw-w64-x86-64-dev)
    for deb in "$download"/*.deb; do
        dpkg-deb -f "$deb" Version | grep -q '^12\.0\.0-' \
            || { log "expected MinGW-w64 12.0.0, got $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)"; exit 1; }
        dpkg-deb -x "$deb" "$mingw_sdk_dir"
    done
    touch "$mingw_sdk_dir/.complete"
}

# zlib as Debian builds it for MinGW, and static libpng and libjpeg cross-built from Debian's
# source packages: Debian's JUCE has its bundled copies stripped.
build_image_libraries()
{
    if [ -f "$windows_prefix/.complete" ]; then
        return
    fi
    fetch_image_library_sources
    log "cross-building libpng and libjpeg for Windows"
    rm -rf "$windows_prefix" "$windows_build"
    mkdir -p "$windows_prefix/include" "$windows_prefix/lib" "$windows_build"

    # Its own folder: -nostdinc hides the system MinGW folder where Debian installs it.
    cp /usr/x86_64-w64-mingw32/include/zlib.h /usr/x86_64-w64-mingw32/include/zconf.h "$windows_prefix/include/"
    cp /usr/x86_64-w64-mingw32/lib/libz.a "$windows_prefix/lib/"

    build_cmake_library "$image_sources/libpng1.6" "$windows_build/libpng" "$windows_prefix" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_TOOLS=OFF -DPNG_EXECUTABLES=OFF \
        -DZLIB_INCLUDE_DIR="$windows_prefix/include" -DZLIB_LIBRARY="$windows_prefix/lib/libz.a"
    # Without the SIMD code, which would need an assembler: the plug-in decodes no JPEGs
    # where speed matters.
    build_cmake_library "$image_sources/libjpeg-turbo" "$windows_build/libjpeg" "$windows_prefix" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
    # The framework reads libjpeg's internals header too, which Debian's -dev package installs.
    cp "$image_sources/libjpeg-turbo/jpegint.h" "$windows_prefix/include/"

    touch "$windows_prefix/.complete"
}

# The zip: the bundle as it is installed, with the installation notes and the licences of
# what is linked into it.
package()
{
    local bundle="$build_dir/Kravell_artefacts/Release/VST3/Kravell.vst3"
    local staging="$build_dir/package/$package_name"
    rm -rf "$build_dir/package"
    mkdir -p "$staging" "$dist_dir"
    add_vst3_snapshots "$bundle" "$root/scripts/wine-run.sh" "$build_dir/juce_vst3_helper.exe"
    cp -R "$bundle" "$staging/"
    # The factory presets as the Linux build writes them through its own bundle (the state
    # is the same bytes on every system), for the hosts' preset browsers.
    configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -- KravellVst3Presets > /dev/null
    mkdir -p "$staging/VST3 Presets/Dornel Audio/Kravell"
    cp "$root/build/vst3-presets/"*.vstpreset "$staging/VST3 Presets/Dornel Audio/Kravell/"
    sed "s/@VERSION@/$kravell_version/g" "$root/packaging/windows/INSTALL.txt" > "$staging/INSTALL.txt"
    cp "$root/LICENSE" "$staging/LICENSE.txt"
    write_framework_notices "$staging/THIRD-PARTY-NOTICES.txt" "Kravell $kravell_version for Windows" \
        "The MinGW-w64 runtime (linked in)" "$mingw_sdk_dir/usr/share/doc/mingw-w64-x86-64-dev/copyright" \
        "The GCC runtime libraries, libstdc++ and libgcc (linked in)" /usr/share/doc/gcc-mingw-w64-base/copyright \
        "zlib (linked in)" /usr/share/doc/libz-mingw-w64/copyright \
        "libpng (linked in)" "$image_sources/libpng1.6/debian/copyright" \
        "libjpeg-turbo (linked in)" "$image_sources/libjpeg-turbo/debian/copyright"
    # Windows line ends for the texts people open in Notepad.
    sed -i 's/\r\{0,1\}$/\r/' "$staging/INSTALL.txt" "$staging/LICENSE.txt" "$staging/THIRD-PARTY-NOTICES.txt"

    local zip="$dist_dir/$package_name.zip"
    rm -f "$zip"
    (cd "$build_dir/package" && zip -q -r -X "$zip" "$package_name")
    log "package: ${zip#"$root"/}"

    # The setup program, from the same folder, with the product's mark as its icon.
    local icon="$build_dir/package/kravell.ico" sizes=()
    for size in 16 24 32 48 64 128 256; do
        rsvg-convert -w "$size" -h "$size" "$root/packaging/icons/kravell.svg" -o "$build_dir/package/icon-$size.png"
        sizes+=("$build_dir/package/icon-$size.png")
    done
    convert "${sizes[@]}" "$icon"
    # The welcome and finish pages' side picture: the mark on the panel's dark face.
    local sidebar="$build_dir/package/sidebar.bmp"
    rsvg-convert -w 128 -h 128 "$root/packaging/icons/kravell.svg" -o "$build_dir/package/sidebar-mark.png"
    convert -size 164x314 xc:'#12161b' "$build_dir/package/sidebar-mark.png" -gravity north -geometry +0+40 -composite \
        -type TrueColor BMP3:"$sidebar"
    local setup="$dist_dir/$package_name-setup.exe"
    rm -f "$setup"
    makensis -V2 -DVERSION="$kravell_version" -DCOPYRIGHT="$kravell_copyright" -DSTAGING="$staging" \
        -DICON="$icon" -DSIDEBAR="$sidebar" -DOUTFILE="$setup" "$root/packaging/windows/Kravell.nsi" > "$build_dir/package/makensis.log" 2>&1 \
        || { cat "$build_dir/package/makensis.log"; log "makensis failed"; exit 1; }
    log "setup program: ${setup#"$root"/}"
}

install_packages "${packages[@]}" "${windows_packages[@]}"
prepare_juce
fetch_mingw_sdk
build_image_libraries

# The module's version details are written once by the framework's helper, which does not
# follow a changed version or copyright: made afresh on every build.
rm -f "$build_dir/Kravell_artefacts/JuceLibraryCode/Kravell_resources.rc"
# The framework's manifest helper runs under Wine during the build (scripts/wine-run.sh).
configure_and_build "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DKRAVELL_BUILD_BENCHMARKS=OFF \
    -- Kravell_VST3 KravellWindowsHostTests KravellModuleHolder kravell-speed
package
