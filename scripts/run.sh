#!/usr/bin/env bash
# Builds Picvora and the album host, starts the album host with its demo member on the
# default address, runs Picvora against it and stops the host when the window closes.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=${PICVORA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2 --target picvora albumhost

"$build/albumhost/albumhost" --port 8642 &
host=$!
trap 'kill "$host" 2>/dev/null || true; wait "$host" 2>/dev/null || true' EXIT
# Wait until the host answers before the window opens.
for _ in $(seq 1 100); do
    curl -fs -o /dev/null "http://127.0.0.1:8642/demo/album" && break
    sleep 0.1
done
"$build/src/picvora"
