#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (FUZZ_SECONDS,
# default 60). A crashing input is copied into tests/fuzz/regressions/<target>/, where the
# regular test run replays it from then on. Exits non-zero when a target failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

seconds=${FUZZ_SECONDS:-60}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPICVORA_FUZZ=ON -DPICVORA_BENCH=OFF
cmake --build "$build" -j2 --target fuzz_urlparts fuzz_pagecount fuzz_records fuzz_freename

status=0
for target in urlparts pagecount records freename; do
    work=$(mktemp -d)
    cp tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
    echo "== fuzz_$target for ${seconds}s"
    if ! (cd "$work" && "$OLDPWD/$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" \
            -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 .) ; then
        status=1
        for crash in "$work"/crash-* "$work"/timeout-* "$work"/oom-*; do
            [ -e "$crash" ] && cp "$crash" tests/fuzz/regressions/"$target"/ && echo "saved $(basename "$crash")"
        done
    fi
    rm -rf "$work"
done
exit $status
