#!/usr/bin/env bash
# The Windows build's tests, under Wine. Builds the package (build-windows.sh), installs it
# from the zip into a fresh Wine prefix as INSTALL.txt says, checks that the module needs only
# Windows' own DLLs, and runs the Windows test host on the installed bundle: identity and
# manifest, the demo loop against the Linux build's render, automation, saved state, a user
# preset saved and loaded through the editor and %APPDATA%, and the editor opened, resized
# and closed twenty times while audio runs. Ends with the engine's speed on Linux and under
# Wine, measured in this run. Verified under Wine, not on a real Windows.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$root/scripts/build-windows.sh"

# The Linux build, for the reference render and the speed comparison.
configure_and_build "$root/build" -DCMAKE_BUILD_TYPE=Release -- kravell-render kravell-speed > /dev/null

work="$root/build-windows/wine-test"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and a crash ends the program at once instead of waiting in the
# debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine_run() { "$root/scripts/wine-run.sh" "$@"; }

ensure_display
trap 'wineserver -k 2>/dev/null || true; stop_displays' EXIT
echo "== windows: fresh Wine prefix"
wineboot --init > "$work/wineboot.log" 2>&1
wineserver -w

echo "== windows: install from the zip"
unzip -q "$root/dist/Kravell-1.0.0-windows-x64.zip" -d "$work/unpacked"
vst3_folder="$WINEPREFIX/drive_c/Program Files/Common Files/VST3"
mkdir -p "$vst3_folder"
cp -R "$work/unpacked/Kravell-1.0.0-windows-x64/Kravell.vst3" "$vst3_folder/"
module="$vst3_folder/Kravell.vst3/Contents/x86_64-win/Kravell.vst3"

echo "== windows: the module's imports and exports"
# Windows' own DLLs only: no C++ runtime, threads, zlib, libpng or libjpeg DLLs to ship.
declare -A system_dlls=()
for dll in advapi32 comctl32 comdlg32 d2d1 d3d11 dbghelp dcomp dwmapi dwrite dxgi gdi32 imm32 \
           kernel32 msvcrt ole32 oleaut32 sapi shell32 shlwapi user32 version windowscodecs \
           wininet winmm ws2_32; do
    system_dlls[$dll.dll]=1
done
imports=$(x86_64-w64-mingw32-objdump -p "$module" | awk '/DLL Name:/ { print tolower($3) }')
[ -n "$imports" ] || { echo "FAIL: no imports read from $module"; exit 1; }
unexpected=""
for dll in $imports; do
    [ -n "${system_dlls[$dll]:-}" ] || unexpected+=" $dll"
done
if [ -n "$unexpected" ]; then
    echo "FAIL: the module imports DLLs that Windows does not have:$unexpected"
    exit 1
fi
echo "imports ($(wc -w <<< "$imports") DLLs, all Windows' own): $(tr '\n' ' ' <<< "$imports")"
exports=$(x86_64-w64-mingw32-objdump -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
for symbol in GetPluginFactory InitDll ExitDll; do
    grep -qw "$symbol" <<< "$exports" || { echo "FAIL: the module does not export $symbol"; exit 1; }
done

echo "== windows: the Linux build's render of the demo loop"
settings=(mode=Tight focus=High attack=8 sustain=-6 sensitivity=75 punch=60 clip=40 mix=80 output=-5)
set_options=()
for setting in "${settings[@]}"; do set_options+=(--set "$setting"); done
"$root/build/tools/kravell-render" --make-demo "$work/demo-loop.wav" > /dev/null
"$root/build/tools/kravell-render" "${set_options[@]}" "$work/demo-loop.wav" "$work/demo-loop-linux.wav" > /dev/null

echo "== windows: the test host under Wine"
status=0
KRAVELL_VST3="C:/Program Files/Common Files/VST3/Kravell.vst3" \
KRAVELL_DEMO_LOOP="Z:$work/demo-loop.wav" \
KRAVELL_LINUX_RENDER="Z:$work/demo-loop-linux.wav" \
KRAVELL_RENDER_SETTINGS="${settings[*]}" \
KRAVELL_OUTPUT="Z:$work" \
    timeout 900 "$root/scripts/wine-run.sh" "$root/build-windows/tests/windows/KravellWindowsHostTests.exe" \
    || status=$?

# The preset file, seen from Linux: in the prefix's real roaming application-data folder.
preset="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/DornelAudio/Kravell/version_1.0.0/Presets/Wine Kick.xml"
if [ -f "$preset" ] && grep -q 'id="attack" value="9.5"' "$preset"; then
    echo "user preset in the Wine prefix: ${preset#"$root"/}"
else
    echo "FAIL: no user preset with the saved values at ${preset#"$root"/}"
    status=1
fi
[ -f "$work/kravell-editor-windows.png" ] && echo "editor picture for review: ${work#"$root"/}/kravell-editor-windows.png"
[ "$status" -eq 0 ] || { echo "FAIL: the Windows tests failed"; exit "$status"; }

# The editor at the display scales Windows offers, set as Windows stores them (LogPixels, read
# when Wine starts), on a 3840 x 2160 screen: in a host that announces the scale and one that
# does not, the size checks of the editor test in physical pixels, and scale changes while open.
echo "== windows: the editor at 100, 125, 150 and 200 % display scale"
wineserver -k 2>/dev/null || true
wineserver -w
start_display 3840x2160
for percent in 100 125 150 200; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * percent / 100)) /f > /dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w
    echo "-- $percent %"
    KRAVELL_VST3="C:/Program Files/Common Files/VST3/Kravell.vst3" \
    KRAVELL_DEMO_LOOP="Z:$work/demo-loop.wav" \
    KRAVELL_OUTPUT="Z:$work" \
    KRAVELL_DISPLAY_SCALE="$percent" \
        timeout 900 "$root/scripts/wine-run.sh" "$root/build-windows/tests/windows/KravellWindowsHostTests.exe" \
        --gtest_filter='Editor.*:Hosts/EditorAtScale.*:EditorScaleChange.*' > "$work/scale-$percent.log" 2>&1 || status=$?
    tr -d '\r' < "$work/scale-$percent.log" | grep -E '^\[ scale|^\[  (PASSED|FAILED) |Failure|Expected|Which is|actual|  Actual' || true
    [ "$status" -eq 0 ] || { tr -d '\r' < "$work/scale-$percent.log" | tail -n 60; echo "FAIL: the editor at $percent % (log: ${work#"$root"/}/scale-$percent.log)"; exit "$status"; }
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f > /dev/null 2>&1
wineserver -k 2>/dev/null || true
echo "the editor at 150 % and 200 %, for review: ${work#"$root"/}/kravell-editor-windows-{150,200}-{announced,found}.png"

echo "== windows: speed of the same engine on Linux and under Wine (figures, not a test)"
"$root/build/bench/kravell-speed" | tee "$work/speed-linux.txt"
wine_run "$root/build-windows/bench/kravell-speed.exe" | tr -d '\r' | tee "$work/speed-windows.txt"
awk '/everything active/ { ns[FILENAME] = $3 } END {
        linux = ns[ARGV[1]]; windows = ns[ARGV[2]];
        if (linux > 0 && windows > 0) printf "everything active: Linux %.2f ns/frame, Windows under Wine %.2f ns/frame, Windows/Linux %.2fx\n", linux, windows, windows / linux }' \
    "$work/speed-linux.txt" "$work/speed-windows.txt"
