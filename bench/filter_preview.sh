#!/usr/bin/env bash
# The filter dialogs' live preview under Wine: a 640 x 480 24-bit movie in a
# real media-control window, each dialog opened in turn and its parameter bar
# moved back and forth as a drag does; the time from each move to the
# repainted pane, per dialog (goal: under 50 ms, so a drag feels live).
#   bench/filter_preview.sh [win64-build-folder] [moves]   (default build/win64, 20)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
moves=${2:-20}
cmake --build "$build" --target filter_preview_probe -j 2 >/dev/null
probe=$(find "$build" -name filter_preview_probe.exe | head -1)
work=$(mktemp -d)
wine_dir=$work/wine
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=30" -frames:v 10 -c:v rawvideo \
  -pix_fmt bgr24 "$work/in.avi"
"$top/tools/wine-run" "$wine_dir" "$probe" "Z:${work//\//\\}\\in.avi" "$moves"
