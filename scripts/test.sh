#!/usr/bin/env bash
# Builds and runs the whole test suite: under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threading test under ThreadSanitizer, the Release build (with the LV2 plug-in through
# Debian's LV2 tools and the standalone app under the test display), the Linux release
# archive as a user installs it (test-linux-release.sh), the Debian package and the rpm
# (package-linux-native.sh, lintian), then the Windows
# package, cross-built and tested under Wine (test-windows.sh). Any failure or sanitizer
# finding fails.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/deps.sh"
ensure_display

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"

run_suite()
{
    local dir="$1"; shift
    configure_and_build "$dir" "$@"
    (cd "$dir" && ctest --output-on-failure --parallel "$jobs" --timeout 600)
}

# The engine's vector kernels are the code that differs most between compilers: they must
# build for 64-bit Windows with the MinGW-w64 cross compiler as they do here (the whole
# Windows plug-in is built and tested under Wine by its own step).
echo "== engine kernels for 64-bit Windows (compile only)"
(source "$root/scripts/deps.sh" && install_packages g++-mingw-w64-x86-64-posix)
mingw_check="$root/build/mingw-engine-check"
mkdir -p "$mingw_check"
for unit in ShaperKernelSse2 ShaperKernelAvx2; do
    flags=()
    [ "$unit" = ShaperKernelAvx2 ] && flags=(-mavx2 -mfma -ffp-contract=off)
    x86_64-w64-mingw32-g++-posix -std=c++17 -O2 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror \
        "${flags[@]}" -I "$root/source" -c "$root/source/engine/$unit.cpp" -o "$mingw_check/$unit.obj"
done
x86_64-w64-mingw32-nm "$mingw_check/ShaperKernelAvx2.obj" > "$mingw_check/ShaperKernelAvx2.symbols"
grep -q 'shapeWhileDetectingAvx2' "$mingw_check/ShaperKernelAvx2.symbols" \
    || { echo "the AVX2 kernel compiled to nothing for Windows" >&2; exit 1; }
echo "built: ShaperKernelSse2.obj ShaperKernelAvx2.obj"

echo "== sanitizers: address, undefined"
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRAVELL_SANITIZERS=address,undefined -DKRAVELL_BUILD_BENCHMARKS=OFF

echo "== sanitizer: thread (audio, state and preset threads together; damaged states restored while the bundle plays)"
configure_and_build "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRAVELL_SANITIZERS=thread -DKRAVELL_BUILD_BENCHMARKS=OFF -- KravellThreadTests KravellDamagedStateRaceTests
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" ctest --output-on-failure -L threads --timeout 600)

echo "== release (VST3, LV2 and standalone)"
configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release
add_vst3_snapshots "$root/build/Kravell_artefacts/Release/VST3/Kravell.vst3" "$root/build/juce_vst3_helper"
(cd "$root/build" && ctest --output-on-failure --parallel "$jobs" --timeout 600)
echo "The demo loop through the LV2 in lv2apply, against the plug-in's own render:"
cat "$root"/build/lv2-renders/*/difference.txt
echo "The standalone app without an audio device: $root/build/kravell-standalone-no-audio-device.png"

echo "== linux release archive: portable binaries, installed into a scratch home"
"$root/scripts/test-linux-release.sh"

echo "== linux packages: the Debian package (lintian) and the rpm, from the same build"
# Installing them into a fresh Debian with apt needs the Debian archive: the release check
# does that (release.sh runs test-linux-native.sh).
mapfile -t native_packages < <("$root/scripts/package-linux-native.sh")
(source "$root/scripts/package-linux-native.sh" && native_lint "${native_packages[0]}" "$root/build/lintian.log")
echo "the rpm: $(basename "${native_packages[1]}")"

echo "== windows: cross-built package, tested under Wine"
"$root/scripts/test-windows.sh"

echo "== release artifacts: one version, the licence and notices in each, checked with their sums"
release_check="$root/build/release-check"
rm -rf "$release_check"
mkdir -p "$release_check"
"$root/scripts/build-manual.sh" "$release_check"
cp "$root/dist/Kravell-$kravell_version-windows-x64.zip" "$root/dist/Kravell-$kravell_version-windows-x64-setup.exe" \
    "$root/dist/Kravell-$kravell_version-linux-x64.tar.gz" "${native_packages[@]}" "$release_check/"
(cd "$release_check" && sha256sum -- * > SHA256SUMS)
"$root/scripts/check-release.sh" "$release_check"
