#!/usr/bin/env bash
# Runs every test that opens a window or starts a process again and again, each run in a fresh
# process on a fresh display (Xvfb with a window manager), and prints a table of passes and
# failures per test. Not part of test.sh: it takes hours at the counts below.
#
#   scripts/stress-tests.sh [-n RUNS] [--wine-runs RUNS] [--load] [--filter REGEX] [--out DIR] [--no-linux] [--no-wine]
#
#   -n RUNS          runs of each Linux test (default 100)
#   --wine-runs RUNS runs of each Windows test under Wine (default 20); the editor and scale
#                    tests take the display scales 100, 125, 150 and 200 % in turn
#   --load           keeps one core busy the whole time, as a build beside the tests would
#   --filter REGEX   only the tests whose full name matches (grep -E)
#   --out DIR        where the results go (default build/stress; emptied first)
#
# Needs the Release build (build/, as test.sh leaves it) and, for the Wine tests, the Windows
# build with Kravell installed into its test prefix (test-windows.sh leaves both). A failing
# run's output is kept in build/stress/<test>/run-<n>/ (or --out), with the backtrace of every thread from
# the core when the test crashed (gdb in batch mode).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

runs=100
wine_runs=20
load=0
filter=""
out=""
linux=1
wine=1
while [ $# -gt 0 ]; do
    case "$1" in
        -n) runs="$2"; shift 2 ;;
        --wine-runs) wine_runs="$2"; shift 2 ;;
        --load) load=1; shift ;;
        --filter) filter="$2"; shift 2 ;;
        --out) out="$2"; shift 2 ;;
        --no-linux) linux=0; shift ;;
        --no-wine) wine=0; shift ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

build="$root/build"
out="$(realpath -m "${out:-$build/stress}")"
rm -rf "$out"
mkdir -p "$out"
results="$out/results.tsv"
: > "$results"

helpers=()
stop_helpers() { [ ${#helpers[@]} -eq 0 ] || kill "${helpers[@]}" 2> /dev/null || true; }
exit_trap() { stop_helpers; stop_run_display; }
trap exit_trap EXIT
if [ "$load" = 1 ]; then
    (while :; do :; done) &
    helpers+=($!)
fi

# One display per run, started as the test scripts start theirs, and stopped after the run.
start_run_display()
{
    local status=0
    start_display "$1" || status=$?
    trap exit_trap EXIT # start_display's own trap would leave the busy core running
    return "$status"
}
stop_run_display()
{
    [ ${#display_pids[@]} -eq 0 ] || { kill "${display_pids[@]}" 2> /dev/null || true; wait "${display_pids[@]}" 2> /dev/null || true; }
    display_pids=()
}

# Starts a run's display, or records that it did not start (its message kept in the run's
# folder): display_for_run NAME RUN DIR SIZE
display_for_run()
{
    start_run_display "$4" 2> "$3/display.txt" && return 0
    stop_run_display
    echo "  $1 run $2: no display (kept: ${3#"$root"/})"
    printf '%s\t%s\n' "$1" "no display" >> "$results"
    return 1
}

# Records one run: its outcome, and its output (and backtraces) when it failed.
record()
{
    local name="$1" run="$2" status="$3" dir="$4" program="$5"
    local outcome=pass
    if [ "$status" -ne 0 ]; then
        outcome=fail
        [ "$status" -gt 128 ] && outcome="signal $((status - 128))"
        [ "$status" -eq 124 ] && outcome=timeout
        local core
        core=$(ls "$dir"/core* 2> /dev/null | head -n 1 || true)
        if [ -n "$core" ]; then
            outcome="crash"
            gdb -batch -ex 'thread apply all bt' "$program" "$core" > "$dir/backtrace.txt" 2>&1 || true
            rm -f "$core"
        fi
        echo "  $name run $run: $outcome (kept: ${dir#"$root"/})"
    else
        rm -rf "$dir"
    fi
    printf '%s\t%s\n' "$name" "$outcome" >> "$results"
}

selected() { [ -z "$filter" ] || grep -Eq "$filter" <<< "$1"; }

# The tests of a gtest binary whose names match a gtest filter, one full name a line.
list_tests()
{
    "$1" --gtest_list_tests --gtest_filter="$2" | awk '
        /^[^ ]/ { suite = $1; next }
        /^  / { print suite $1 }'
}

linux_tests=(
    "$build/tests/KravellHostTests|HostFixture.Editor*"
    "$build/tests/KravellEditorSizeTests|*"
    "$build/tests/standalone/KravellStandaloneTests|*"
    "$build/tests/lv2/KravellLv2Tests|*Lv2UiAtDesktopScale*"
)

if [ "$linux" = 1 ]; then
    ulimit -c unlimited
    for entry in "${linux_tests[@]}"; do
        program="${entry%%|*}"
        [ -x "$program" ] || { echo "missing $program: build the Release suite first (test.sh)" >&2; exit 1; }
        for name in $(list_tests "$program" "${entry#*|}"); do
            selected "$name" || continue
            echo "== $name: $runs runs"
            for run in $(seq 1 "$runs"); do
                dir="$out/$name/run-$run"
                mkdir -p "$dir"
                display_for_run "$name" "$run" "$dir" 1920x1080 || continue
                status=0
                (cd "$dir" && timeout 600 "$program" --gtest_filter="$name" > "$dir/output.txt" 2>&1) || status=$?
                # The suite's own rule: an assertion of the framework or a leak fails the test.
                [ "$status" -ne 0 ] || ! grep -Eq 'JUCE Assertion failure|Leaked objects detected' "$dir/output.txt" || status=1
                stop_run_display
                record "$name" "$run" "$status" "$dir" "$program"
            done
        done
    done
fi

if [ "$wine" = 1 ]; then
    host="$root/build-windows/tests/windows/KravellWindowsHostTests.exe"
    export WINEPREFIX="$root/build-windows/wine-test/prefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
    [ -x "$host" ] && [ -d "$WINEPREFIX/drive_c/Program Files/Common Files/VST3/Kravell.vst3" ] \
        || { echo "no Windows test host or no installed Kravell in $WINEPREFIX: run test-windows.sh first" >&2; exit 1; }
    work="$out/wine-files"
    mkdir -p "$work"
    "$build/tools/kravell-render" --make-demo "$work/demo-loop.wav" > /dev/null
    wine_tests=$(WINEPREFIX="$WINEPREFIX" "$root/scripts/wine-run.sh" "$host" --gtest_list_tests \
        --gtest_filter='Editor.*:Hosts/EditorAtScale.*:EditorScaleChange.*:Presets.*' | tr -d '\r' | awk '
            /^[^ ]/ { suite = $1; next }
            /^  / { print suite $1 }')
    for name in $wine_tests; do
        selected "wine:$name" || continue
        echo "== wine:$name: $wine_runs runs"
        for run in $(seq 1 "$wine_runs"); do
            dir="$out/wine:$name/run-$run"
            mkdir -p "$dir"
            scales=(100 125 150 200)
            percent=100
            [[ "$name" == Presets.* ]] || percent=${scales[$(((run - 1) % 4))]}
            wineserver -k 2> /dev/null || true
            wineserver -w
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((96 * percent / 100)) /f > /dev/null 2>&1
            wineserver -k 2> /dev/null || true
            wineserver -w
            display_for_run "wine:$name" "$run" "$dir" 3840x2160 || continue
            status=0
            KRAVELL_VST3="C:/Program Files/Common Files/VST3/Kravell.vst3" \
            KRAVELL_DEMO_LOOP="Z:$work/demo-loop.wav" \
            KRAVELL_OUTPUT="Z:$dir" \
            KRAVELL_DISPLAY_SCALE="$percent" \
                timeout 900 "$root/scripts/wine-run.sh" "$host" --gtest_filter="$name" > "$dir/output.txt" 2>&1 || status=$?
            echo "display scale $percent %" >> "$dir/output.txt"
            wineserver -k 2> /dev/null || true
            stop_run_display
            record "wine:$name" "$run" "$status" "$dir" "$host"
        done
    done
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f > /dev/null 2>&1 || true
    wineserver -k 2> /dev/null || true
fi

echo
echo "load: $([ "$load" = 1 ] && echo "one core kept busy" || echo none)"
awk -F'\t' '
    { runs[$1]++; if ($2 == "pass") passed[$1]++; else { failed[$1]++; how[$1] = how[$1] (how[$1] ? ", " : "") $2 } ; if (! ($1 in order)) { order[$1] = ++n; names[n] = $1 } }
    END {
        printf "%-78s %7s %7s  %s\n", "test", "passed", "failed", "how"
        for (i = 1; i <= n; ++i) { t = names[i]; printf "%-78s %3d/%-3d %7d  %s\n", t, passed[t], runs[t], failed[t], how[t] }
    }' "$results" | tee "$out/table.txt"
! grep -qv $'\tpass$' "$results"
