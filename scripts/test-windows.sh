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

setup="$root/dist/Kravell-$kravell_version-windows-x64-setup.exe"
vst3_folder="$WINEPREFIX/drive_c/Program Files/Common Files/VST3"
bundle="$vst3_folder/Kravell.vst3"
install_folder="$WINEPREFIX/drive_c/Program Files/Dornel Audio/Kravell"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kravell'
fail() { echo "FAIL: $*"; exit 1; }
# The value of one of the Uninstall entry's fields, as Windows' reg shows it.
uninstall_field() { wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub (/^  /, ""); print }'; }

echo "== windows: silent install with the setup program (/S)"
wine "$setup" /S || fail "the silent install failed (exit code $?)"
wineserver -w
[ -f "$bundle/Contents/x86_64-win/Kravell.vst3" ] && [ -f "$bundle/Contents/Resources/moduleinfo.json" ] \
    || fail "no Kravell.vst3 bundle in Common Files\VST3"
cmp -s "$bundle/Contents/x86_64-win/Kravell.vst3" "$root/build-windows/Kravell_artefacts/Release/VST3/Kravell.vst3/Contents/x86_64-win/Kravell.vst3" \
    || fail "the installed module is not the one built"
for file in "Uninstall Kravell.exe" LICENSE.txt THIRD-PARTY-NOTICES.txt Kravell.ico; do
    [ -f "$install_folder/$file" ] || fail "no $file in Program Files\Dornel Audio\Kravell"
done
wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r' > "$work/uninstall-entry.txt"
declare -A expected_fields=(
    [DisplayName]="Kravell" [Publisher]="Dornel Audio" [DisplayVersion]="$kravell_version"
    [DisplayIcon]='C:\Program Files\Dornel Audio\Kravell\Kravell.ico'
    [InstallLocation]='C:\Program Files\Dornel Audio\Kravell'
    [UninstallString]='"C:\Program Files\Dornel Audio\Kravell\Uninstall Kravell.exe"'
    [QuietUninstallString]='"C:\Program Files\Dornel Audio\Kravell\Uninstall Kravell.exe" /S'
    [NoModify]=0x1 [NoRepair]=0x1)
for field in "${!expected_fields[@]}"; do
    [ "$(uninstall_field "$field")" = "${expected_fields[$field]}" ] \
        || fail "Uninstall entry $field is '$(uninstall_field "$field")', not '${expected_fields[$field]}'"
done
size_kb=$(( $(uninstall_field EstimatedSize) ))
[ "$size_kb" -gt $(( $(du -sk "$bundle" | cut -f1) / 2 )) ] || fail "EstimatedSize $size_kb KB is not the installed size"
# The version details Explorer shows for the module, the setup program and the uninstaller.
for file in "$bundle/Contents/x86_64-win/Kravell.vst3" "$setup" "$install_folder/Uninstall Kravell.exe"; do
    details=$(strings -el "$file")
    for pair in "CompanyName:Dornel Audio" "ProductVersion:$kravell_version" "LegalCopyright:$kravell_copyright"; do
        grep -A1 -x "${pair%%:*}" <<< "$details" | tail -n 1 | grep -qxF "${pair#*:}" \
            || fail "$(basename "$file"): its version details have no ${pair%%:*} '${pair#*:}'"
    done
done
factory_presets="$WINEPREFIX/drive_c/ProgramData/VST3 Presets/Dornel Audio/Kravell"
[ "$(ls "$factory_presets"/*.vstpreset 2> /dev/null | wc -l)" -eq 8 ] \
    || fail "not the eight factory presets in ProgramData\VST3 Presets\Dornel Audio\Kravell: $(ls "$factory_presets" 2>&1)"
for preset in "$factory_presets"/*.vstpreset; do
    cmp -s "$preset" "$root/build/vst3-presets/$(basename "$preset")" || fail "$(basename "$preset") is not the one built"
done
snapshots="$bundle/Contents/Resources/Snapshots"
[ -f "$snapshots/ABCDEF019182FAEB446F726E4B726176_snapshot.png" ] && [ -f "$snapshots/ABCDEF019182FAEB446F726E4B726176_snapshot_2.0x.png" ] \
    || fail "no snapshots for hosts' plug-in browsers in the installed bundle: $(ls "$snapshots" 2>&1)"
echo "installed: Common Files\VST3\Kravell.vst3 (with its snapshots), the eight factory presets in ProgramData\VST3 Presets, Program Files\Dornel Audio\Kravell; Apps & features entry:"
sed -n 's/^    /    /p' "$work/uninstall-entry.txt"

echo "== windows: the setup program over an installed Kravell"
echo stale > "$bundle/Contents/stale-file.txt"
wine "$setup" /S || fail "installing over an installed Kravell failed (exit code $?)"
wineserver -w
[ ! -e "$bundle/Contents/stale-file.txt" ] || fail "a stale file inside the bundle survived a new install"
[ -f "$bundle/Contents/x86_64-win/Kravell.vst3" ] || fail "no module after installing over an installed Kravell"
echo "replaced whole: the stale file planted inside the bundle is gone"

echo "== windows: the setup program while a DAW holds the plug-in open"
echo stale > "$bundle/Contents/stale-file.txt"
rm -f "$work/release-holder"
wine_run "$root/build-windows/tests/windows/KravellModuleHolder.exe" 'C:\Program Files\Common Files\VST3\Kravell.vst3\Contents\x86_64-win\Kravell.vst3' "$work/release-holder" > "$work/holder.log" 2>&1 &
holder=$!
for _ in $(seq 1 100); do grep -q loaded "$work/holder.log" 2>/dev/null && break; sleep 0.1; done
grep -q loaded "$work/holder.log" || fail "the stand-in host did not load the plug-in: $(cat "$work/holder.log")"
locked_status=0
wine "$setup" /S || locked_status=$?
touch "$work/release-holder"
wait "$holder" || true
wineserver -w
[ "$locked_status" -ne 0 ] || fail "the setup program reported success while the plug-in was held open"
[ -e "$bundle/Contents/stale-file.txt" ] && [ -f "$bundle/Contents/x86_64-win/Kravell.vst3" ] \
    || fail "the setup program changed a bundle it could not replace"
echo "refused with exit code $locked_status, the installed bundle untouched (interactively it asks to close the DAW and retry)"
wine "$setup" /S || fail "installing once the DAW let go failed (exit code $?)"
wineserver -w
[ ! -e "$bundle/Contents/stale-file.txt" ] || fail "the install after the DAW let go left the old bundle"
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

echo "== windows: the test host under Wine (the display-scale tests run below, on a screen they fit)"
# The Windows test host on the installed bundle: run_host_tests [gtest arguments...]
run_host_tests()
{
    KRAVELL_VST3="C:/Program Files/Common Files/VST3/Kravell.vst3" \
    KRAVELL_DEMO_LOOP="Z:$work/demo-loop.wav" \
    KRAVELL_LINUX_RENDER="Z:$work/demo-loop-linux.wav" \
    KRAVELL_RENDER_SETTINGS="${settings[*]}" \
    KRAVELL_OUTPUT="Z:$work" \
        timeout 900 "$root/scripts/wine-run.sh" "$root/build-windows/tests/windows/KravellWindowsHostTests.exe" "$@"
}
status=0
run_host_tests --gtest_filter='-Hosts/EditorAtScale.*:EditorScaleChange.*' || status=$?

# The preset file, seen from Linux: in the prefix's real roaming application-data folder.
preset="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/DornelAudio/Kravell/version_$kravell_version/Presets/Wine Kick.xml"
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
    KRAVELL_DISPLAY_SCALE="$percent" run_host_tests --gtest_filter='Editor.*:Hosts/EditorAtScale.*:EditorScaleChange.*' \
        > "$work/scale-$percent.log" 2>&1 || status=$?
    tr -d '\r' < "$work/scale-$percent.log" | grep -E '^\[ scale|^\[  (PASSED|FAILED) |Failure|Expected|Which is|actual|  Actual' || true
    [ "$status" -eq 0 ] || { tr -d '\r' < "$work/scale-$percent.log" | tail -n 60; echo "FAIL: the editor at $percent % (log: ${work#"$root"/}/scale-$percent.log)"; exit "$status"; }
done
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f > /dev/null 2>&1
wineserver -k 2>/dev/null || true
echo "the editor at 150 % and 200 %, for review: ${work#"$root"/}/kravell-editor-windows-{150,200}-{announced,found}.png"

echo "== windows: silent uninstall (/S), keeping the user's presets"
[ -f "$preset" ] || fail "no user preset to keep"
wine "$install_folder/Uninstall Kravell.exe" /S || fail "the silent uninstall failed (exit code $?)"
wineserver -w
[ ! -e "$bundle" ] || fail "the bundle is still installed"
[ ! -e "$install_folder" ] || fail "Program Files\Dornel Audio\Kravell is still there: $(ls "$install_folder")"
! wine reg query "$uninstall_key" > /dev/null 2>&1 || fail "the Uninstall entry is still there"
[ -f "$preset" ] || fail "the uninstaller removed the user's preset"
[ ! -e "$WINEPREFIX/drive_c/ProgramData/VST3 Presets" ] || fail "the factory presets are still installed: $(find "$WINEPREFIX/drive_c/ProgramData/VST3 Presets")"
echo "removed: bundle, factory presets, uninstaller, licences and the Apps & features entry; kept: ${preset#"$WINEPREFIX"/}"

echo "== windows: the setup program as a user runs it, page by page"
# Keys go to the setup window as a user's would: Next, I Agree, Install, then Finish.
wine "$setup" > "$work/setup-interactive.log" 2>&1 &
setup_pid=$!
setup_window=""
for _ in $(seq 1 100); do
    setup_window=$(xdotool search --onlyvisible --name "^Kravell $kravell_version Setup\$" 2>/dev/null | head -n 1 || true)
    [ -n "$setup_window" ] && break
    sleep 0.2
done
[ -n "$setup_window" ] || fail "the setup program showed no window"
page_key() { sleep 1.5; xdotool windowactivate --sync "$setup_window" > /dev/null 2>&1 || true; xdotool key --window "$setup_window" "$1"; }
shot() { sleep 1.5; import -window "$setup_window" "$work/$1"; }
shot installer-welcome-page.png
page_key Return
shot installer-licence-page.png
page_key Return
shot installer-components-page.png
page_key Return
for _ in $(seq 1 50); do [ -f "$bundle/Contents/x86_64-win/Kravell.vst3" ] && break; sleep 0.2; done
shot installer-finish-page.png
page_key Return
interactive_status=0
wait "$setup_pid" || interactive_status=$?
wineserver -w
[ "$interactive_status" -eq 0 ] || fail "the setup program, driven through its pages, ended with $interactive_status"
[ -f "$bundle/Contents/x86_64-win/Kravell.vst3" ] || fail "the setup program, driven through its pages, installed nothing"
uninstall_field DisplayVersion | grep -qx "$kravell_version" || fail "no Uninstall entry after the interactive install"
echo "driven through welcome, licence, components, progress and finish; pages for review:"
echo "  ${work#"$root"/}/installer-licence-page.png, ${work#"$root"/}/installer-finish-page.png"

echo "== windows: speed of the same engine on Linux and under Wine (figures, not a test)"
"$root/build/bench/kravell-speed" | tee "$work/speed-linux.txt"
wine_run "$root/build-windows/bench/kravell-speed.exe" | tr -d '\r' | tee "$work/speed-windows.txt"
awk '/everything active/ { ns[FILENAME] = $3 } END {
        linux = ns[ARGV[1]]; windows = ns[ARGV[2]];
        if (linux > 0 && windows > 0) printf "everything active: Linux %.2f ns/frame, Windows under Wine %.2f ns/frame, Windows/Linux %.2fx\n", linux, windows, windows / linux }' \
    "$work/speed-linux.txt" "$work/speed-windows.txt"
