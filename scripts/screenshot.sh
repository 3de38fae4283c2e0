#!/usr/bin/env bash
# Takes docs/gallery.png: Picvora under Xvfb against the album host's demo member, with the
# user name typed, the first album listed and its gallery filled. Needs a built tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PICVORA_BUILD_DIR:-build}
out=${1:-docs/gallery.png}
album=${ALBUM_INDEX:-0}
command -v xdotool >/dev/null && command -v import >/dev/null || {
    echo "needs xdotool and imagemagick (apt-get install xdotool imagemagick)"; exit 1; }

"$build/albumhost/albumhost" --port 8642 >/dev/null &
host=$!
trap 'kill "$host" 2>/dev/null || true' EXIT
sleep 1
xvfb-run -a -s "-screen 0 1000x760x24" bash -c '
    "$0/src/picvora" & app=$!
    sleep 3
    # Window at 50,50; the group box at 4,-3 inside it.
    xdotool mousemove 90 85 click 1 type demo
    xdotool key Return
    sleep 2
    for _ in $(seq 1 "$2"); do xdotool mousemove 420 85 click 1; sleep 0.5; xdotool key Down Return; sleep 0.5; done
    xdotool mousemove 600 95 click 1
    sleep 6
    # Check two cells and mark a third with the highlight.
    xdotool mousemove 426 283 click 1 mousemove 592 283 click 1
    xdotool mousemove 325 379 click 1
    sleep 1
    import -window root -crop 890x655+50+50 "$1"
    kill $app' "$build" "$out" "$album"
echo "wrote $out"
