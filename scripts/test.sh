#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs every test,
# then the thread-sanitized run of the concurrent parts. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${PICVORA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICVORA_WERROR=ON
cmake --build "$build" -j2
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j2 --timeout 600

if [ -x scripts/sanitize-tests.sh ]; then
    scripts/sanitize-tests.sh
fi
