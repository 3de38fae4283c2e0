#!/bin/sh
# Builds the crew and web tests with ThreadSanitizer in build-tsan and runs them.
#   scripts/sanitize-tests.sh [extra arguments for the test programs]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-tsan"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DPICVORA_SANITIZE=thread -DPICVORA_WERROR=ON -DPICVORA_BENCH=OFF
cmake --build "$build" --target test_crew test_web -j2

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
for t in test_crew test_web; do
    echo "== $t under ThreadSanitizer"
    "$build/tests/$t" "$@"
done
