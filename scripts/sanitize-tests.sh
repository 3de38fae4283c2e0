#!/usr/bin/env bash
# Builds every test with a sanitizer and runs the whole suite:
#   scripts/sanitize-tests.sh [address|thread|all]   (default: all)
# address: AddressSanitizer with UndefinedBehaviorSanitizer, in build-asan;
# thread: ThreadSanitizer, in build-tsan. Any report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-all}
case "$mode" in
address) modes=(address) ;;
thread) modes=(thread) ;;
all) modes=(address thread) ;;
*) echo "usage: $0 [address|thread|all]" >&2; exit 2 ;;
esac

supp="$root/scripts/sanitizers"
export QT_QPA_PLATFORM=offscreen
# No leak check here: the program leaves detached workers and abandoned exchanges running
# when it ends (they end with the process), and LeakSanitizer's tracer crashes on threads
# that exit under it. The fuzzers run with leak checking on.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp:print_suppressions=0"

for m in "${modes[@]}"; do
    build="$root/build-${m/address/asan}"
    build="${build/thread/tsan}"
    echo "== the whole suite under the $m sanitizer ($build)"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPICVORA_SANITIZE="$m" \
        -DPICVORA_WERROR=ON -DPICVORA_BENCH=OFF
    cmake --build "$build" -j2
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 900
done
