#!/usr/bin/env bash
# The download benchmark: builds bench_download and runs it, with Debian's aria2 beside it.
#   bench/download.sh [runs]     (PICVORA_BUILD_DIR: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
command -v aria2c >/dev/null || apt-get install -y aria2
build=${PICVORA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_download -j2
"$build/bench/bench_download" "$@"
