#!/usr/bin/env bash
# "範囲を指定してAVIを取り出す" under Wine (range_probe: the same streams and
# save as the command after its dialogs, no options, so samples are copied
# unchanged) next to ffmpeg -c copy of the same stretch, in one run: a third of
# a 640 x 480, 3,000-frame uncompressed movie with sound. Prints each time,
# our ratio to ffmpeg (goal >= 1.0x) and the work alone as the probe measures
# it (without the start and end of a Wine process).
#   bench/range.sh [win64-build-folder]   (default build/win64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cmake --build "$build" --target range_probe -j 2 >/dev/null
probe=$build/range_probe.exe
work=$(mktemp -d)
wine_dir=$work/wine
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
win() { echo "Z:${1//\//\\}"; }

frames=3000 first=1000 last=1999 rate=30
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=$rate" -f lavfi -i "sine=frequency=440:sample_rate=44100" \
  -frames:v $frames -t 100 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$work/in.avi"
echo "input: $frames frames of 640 x 480, 24 bits, with sound: $(du -h "$work/in.avi" | cut -f1); range $first..$last"
ours="$top/tools/wine-run $wine_dir $probe '$(win "$work/in.avi")' $first $last '$(win "$work/range.avi")'"
ss=$(echo "scale=6; $first / $rate" | bc) t=$(echo "scale=6; ($last - $first + 1) / $rate" | bc)
theirs="ffmpeg -v error -y -ss $ss -i $work/in.avi -t $t -c copy $work/ff_range.avi"

# The output proved right before anything is timed: the same frames and sound
# as the source's stretch.
sh -c "$ours" >/dev/null
cmp <(ffmpeg -v error -i "$work/range.avi" -map 0:v -c copy -f framemd5 - | grep -v '^#' | cut -d, -f6) \
  <(ffmpeg -v error -i "$work/in.avi" -map 0:v -c copy -f framemd5 - | grep -v '^#' | cut -d, -f6 |
    sed -n "$((first + 1)),$((last + 1))p") && echo "range frames identical to the source's"
cmp <(ffmpeg -v error -i "$work/range.avi" -map 0:a -f s16le -) \
  <(ffmpeg -v error -i "$work/in.avi" -af "atrim=start_sample=$((first * 44100 / rate)):end_sample=$(((last + 1) * 44100 / rate))" -f s16le -) &&
  echo "range sound identical to the source's stretch"

hyperfine --warmup 1 --runs 5 --export-json "$work/times.json" -n ours "$ours" -n ffmpeg "$theirs" >/dev/null
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print("range   ours %7.2f s | ffmpeg -c copy %7.2f s | ours %.2fx as fast" % (r["ours"], r["ffmpeg"], r["ffmpeg"] / r["ours"]))
PY
echo "the work alone (probe): $(sh -c "$ours" | tr -d '\r')"
