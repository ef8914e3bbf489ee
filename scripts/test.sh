#!/usr/bin/env bash
# Builds and runs the whole test suite: under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threading test under ThreadSanitizer, the Release build, then the Windows package,
# cross-built and tested under Wine (test-windows.sh). Any failure or sanitizer finding fails.
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

echo "== sanitizers: address, undefined"
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRAVELL_SANITIZERS=address,undefined -DKRAVELL_BUILD_BENCHMARKS=OFF

echo "== sanitizer: thread (audio, state and preset threads together)"
configure_and_build "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRAVELL_SANITIZERS=thread -DKRAVELL_BUILD_BENCHMARKS=OFF -- KravellThreadTests
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" ctest --output-on-failure -L threads --timeout 600)

echo "== release"
run_suite "$root/build" -DCMAKE_BUILD_TYPE=Release

echo "== windows: cross-built package, tested under Wine"
"$root/scripts/test-windows.sh"
