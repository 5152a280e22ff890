#!/usr/bin/env bash
# Reversing movies whose compressed frames depend on the ones before them
# (delta frames) under Wine, through the probe of the stream commands: each
# frame is decoded from the key frame before it, so a reverse decodes more
# than reading forward. For 300 frames of 640 x 480 in MS Video 1 and Cinepak
# with a key frame every 10 and every 300 frames, prints the time of the work
# alone for a forward save as full frames (one decode a frame) and for the
# reverse (saved decoded, as no recompression would break the delta frames),
# and their ratio; the reversed frames are checked against the forward ones.
#   bench/editing_delta.sh [win64-build-folder]   (default build/win64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cmake --build "$build" --target editing_probe -j 2 >/dev/null
probe=$build/editing_probe.exe
work=$(mktemp -d)
wine_dir=$work/wine
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
win() { echo "Z:${1//\//\\}"; }
seconds() { tr -d '\r' | sed -n 's/.* in \([0-9.]*\) s.*/\1/p'; }

for codec in msvideo1 cinepak; do
  for every in 10 300; do
    in=$work/in.avi
    if [ $codec = msvideo1 ]; then keys="-keyint_min $every"; else keys="-g $every"; fi
    # shellcheck disable=SC2086
    ffmpeg -v error -y -f lavfi -i "testsrc2=size=640x480:rate=30" -frames:v 300 -c:v $codec $keys "$in"
    count=$(ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 "$in" | grep -c K)
    forward=$("$top/tools/wine-run" "$wine_dir" "$probe" full "$(win "$in")" "$(win "$work/full.avi")" | seconds)
    reverse=$("$top/tools/wine-run" "$wine_dir" "$probe" reverse "$(win "$in")" "$(win "$work/rev.avi")" | seconds)
    same=no
    cmp -s <(ffmpeg -v error -i "$work/rev.avi" -f framemd5 - | grep -v '^#' | cut -d, -f6) \
      <(ffmpeg -v error -i "$work/full.avi" -f framemd5 - | grep -v '^#' | cut -d, -f6 | tac) && same=yes
    printf '%-8s key every %3d (%3d key frames): forward %6.2f s, reverse %6.2f s, %5.1fx; reversed frames right: %s\n' \
      $codec "$every" "$count" "$forward" "$reverse" "$(echo "$reverse / $forward" | bc -l)" $same
  done
done
