#!/usr/bin/env bash
# Makes an uncompressed AVI of 300 640 x 480 24-bit bitmap files: through our
# sequence writer under Wine (sequence_probe: each picture read and written
# through our AVI services), once bare and once with the progress shown in a
# dialog's title as the command shows it, and through ffmpeg's image2 demuxer
# with "-c:v rawvideo", in the same hyperfine run, and prints the time ratios.
#   bench/bitmaps_to_avi.sh [win64-build-folder]   (default build/win64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cmake --build "$build" --target sequence_probe -j 2 >/dev/null
probe=$(find "$build" -name sequence_probe.exe -type f | head -1)
work=$(mktemp -d)
wine_dir=$(mktemp -d)
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$work" "$wine_dir"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
ffmpeg -v error -f lavfi -i testsrc=size=640x480:rate=30 -frames:v 300 -pix_fmt bgr24 \
  -start_number 0 "$work/pic%d.bmp"
echo "input: 300 pictures, $(du -sh "$work" | cut -f1)"
hyperfine --warmup 2 --runs 10 --export-json "$work/times.json" \
  -n ours "$top/tools/wine-run $wine_dir $probe Z:$work/pic0.bmp 10 300" \
  -n "ours with title" "$top/tools/wine-run $wine_dir $probe Z:$work/pic0.bmp 10 300 title" \
  -n ffmpeg "ffmpeg -v error -y -framerate 30 -start_number 0 -i $work/pic%d.bmp -c:v rawvideo $work/theirs.avi"
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print("ours %.1f ms, with the progress title %.1f ms, ffmpeg image2 -c:v rawvideo %.1f ms, "
      "ratio ffmpeg/ours = %.2f, with the title %.2f" % (
    r["ours"] * 1000, r["ours with title"] * 1000, r["ffmpeg"] * 1000, r["ffmpeg"] / r["ours"],
    r["ffmpeg"] / r["ours with title"]))
PY
# The work alone, without the start and end of a Wine process (as the probe measures it).
ffmpeg_mean=$(python3 -c "import json,sys; print([x['mean'] for x in json.load(open('$work/times.json'))['results'] if x['command']=='ffmpeg'][0])")
for title in "" title; do
  for i in 1 2 3 4 5; do "$top/tools/wine-run" "$wine_dir" "$probe" "Z:$work/pic0.bmp" 10 300 $title; done \
    | tr -d '\r' | awk -v f="$ffmpeg_mean" -v what="${title:+ with the title}" \
      '{ s += $(NF-1); n++ } END { printf "ours%s without Wine start-up %.1f ms, ratio ffmpeg/ours = %.2f\n", what, s / n * 1000, f / (s / n) }'
done
# Both movies must hold the same pictures.
cmp <(ffmpeg -v error -i "$work/RESULT.AVI" -f rawvideo -pix_fmt bgr24 -) \
  <(ffmpeg -v error -i "$work/theirs.avi" -f rawvideo -pix_fmt bgr24 -) && echo "frames identical"
