#!/usr/bin/env bash
# Copies a 300-frame 640 x 480 uncompressed AVI (with PCM sound) through our
# AVI services (avi_copy: every frame read and written again) and through
# "ffmpeg -c copy", in the same hyperfine run, and prints the time ratio.
#   bench/avi_copy.sh [build-folder]   (default build/host; builds avi_copy there)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/host}
cmake --build "$build" --target avi_copy -j 2 >/dev/null
tool=$(find "$build" -name avi_copy -type f -perm -u+x | head -1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -v error -f lavfi -i testsrc=size=640x480:rate=15:duration=20 \
  -f lavfi -i sine=frequency=440:sample_rate=22050:duration=20 \
  -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -ac 2 "$work/in.avi"
echo "input: $(du -h "$work/in.avi" | cut -f1), $(ffprobe -v error -select_streams v:0 -show_entries stream=nb_frames -of csv=p=0 "$work/in.avi") frames"
hyperfine --warmup 2 --runs 10 --export-json "$work/times.json" \
  -n avi_copy "$tool $work/in.avi $work/ours.avi" \
  -n ffmpeg "ffmpeg -v error -y -i $work/in.avi -map 0 -c copy $work/theirs.avi"
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print("avi_copy %.1f ms, ffmpeg -c copy %.1f ms, ratio ffmpeg/avi_copy = %.2f" % (
    r["avi_copy"] * 1000, r["ffmpeg"] * 1000, r["ffmpeg"] / r["avi_copy"]))
PY
# The copy must read back frame for frame the same as the input.
cmp <(ffmpeg -v error -i "$work/in.avi" -map 0:v -f rawvideo -) <(ffmpeg -v error -i "$work/ours.avi" -map 0:v -f rawvideo -) \
  && echo "frames identical"
cmp <(ffmpeg -v error -i "$work/in.avi" -map 0:a -f s16le -) <(ffmpeg -v error -i "$work/ours.avi" -map 0:a -f s16le -) \
  && echo "sound identical"
