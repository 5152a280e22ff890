#!/usr/bin/env bash
# The stream editing commands' work under Wine (editing_probe: the edit-list
# steps and the save of "巻き戻し" and of taking out the sound or the video, no
# options, so samples are copied unchanged) next to ffmpeg in one run:
#   - reversing a 640 x 480, 3,000-frame uncompressed movie with sound, next to
#     ffmpeg -vf reverse (which holds every frame in memory); time and peak
#     memory (/usr/bin/time -v) of each;
#   - taking out the sound and the video track, next to ffmpeg -c copy;
#   - reversing 100,000 small frames (goal: under 10 s).
# Prints each time, our ratio to ffmpeg, and the work alone as the probe
# measures it (without the start and end of a Wine process).
#   bench/editing.sh [win64-build-folder]   (default build/win64)
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
ours() { echo "$top/tools/wine-run $wine_dir $probe $1 '$(win "$2")' '$(win "$3")'"; }

frames=3000
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=30" -f lavfi -i "sine=frequency=440:sample_rate=44100" \
  -frames:v $frames -t 100 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$work/in.avi"
echo "input: $frames frames of 640 x 480, 24 bits, with sound: $(du -h "$work/in.avi" | cut -f1)"

# Outputs proved right before anything is timed: the same frames as ffmpeg's
# reverse, the same packets as ffmpeg's copies.
sh -c "$(ours reverse "$work/in.avi" "$work/rev.avi")" >/dev/null
ffmpeg -v error -y -i "$work/in.avi" -an -vf reverse -c:v rawvideo "$work/ff_rev.avi"
cmp <(ffmpeg -v error -i "$work/rev.avi" -f framemd5 - | grep -v '^#' | cut -d, -f6) \
  <(ffmpeg -v error -i "$work/ff_rev.avi" -f framemd5 - | grep -v '^#' | cut -d, -f6) &&
  echo "reversed frames identical to ffmpeg's"
sh -c "$(ours sound "$work/in.avi" "$work/sound.wav")" >/dev/null
sh -c "$(ours video "$work/in.avi" "$work/video.avi")" >/dev/null
cmp <(ffmpeg -v error -i "$work/sound.wav" -f s16le -) <(ffmpeg -v error -i "$work/in.avi" -map 0:a -f s16le -) &&
  echo "sound identical"
cmp <(ffmpeg -v error -i "$work/video.avi" -c copy -f framemd5 - | grep -v '^#' | cut -d, -f6) \
  <(ffmpeg -v error -i "$work/in.avi" -map 0:v -c copy -f framemd5 - | grep -v '^#' | cut -d, -f6) &&
  echo "video packets identical"

peak() {  # peak resident memory in MiB of a command
  /usr/bin/time -v sh -c "$1" 2>&1 >/dev/null | awk '/Maximum resident/ { printf "%.0f", $NF / 1024 }'
}
echo "peak memory: ours reverse $(peak "$(ours reverse "$work/in.avi" "$work/rev.avi")") MiB," \
  "ffmpeg -vf reverse $(peak "ffmpeg -v error -y -i $work/in.avi -an -vf reverse -c:v rawvideo $work/ff_rev.avi") MiB"

hyperfine --warmup 1 --runs 3 --export-json "$work/times.json" \
  -n "ours reverse" "$(ours reverse "$work/in.avi" "$work/rev.avi")" \
  -n "ffmpeg reverse" "ffmpeg -v error -y -i $work/in.avi -an -vf reverse -c:v rawvideo $work/ff_rev.avi" \
  -n "ours sound" "$(ours sound "$work/in.avi" "$work/sound.wav")" \
  -n "ffmpeg sound" "ffmpeg -v error -y -i $work/in.avi -vn -c:a copy $work/ff_sound.wav" \
  -n "ours video" "$(ours video "$work/in.avi" "$work/video.avi")" \
  -n "ffmpeg video" "ffmpeg -v error -y -i $work/in.avi -an -c:v copy $work/ff_video.avi" >/dev/null
python3 - "$work/times.json" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
for w in ("reverse", "sound", "video"):
    o, f = r["ours " + w], r["ffmpeg " + w]
    print("%-7s ours %7.2f s | ffmpeg %7.2f s | ours %.2fx faster" % (w, o, f, f / o))
PY
echo "the work alone (probe):"
for w in reverse sound video; do
  out=$work/alone.avi; [ $w = sound ] && out=$work/alone.wav
  sh -c "$(ours $w "$work/in.avi" "$out")" | tr -d '\r'
done
rm -f "$work"/*.avi "$work"/*.wav

# Many small frames: the edit list's own speed.
many=100000
ffmpeg -v error -f lavfi -i "testsrc=size=32x24:rate=30" -frames:v $many -c:v rawvideo -pix_fmt bgr24 "$work/many.avi"
start=$(date +%s.%N)
timeout 900 sh -c "$(ours reverse "$work/many.avi" "$work/many_rev.avi")" | tr -d '\r' || echo "reverse of $many frames: not done in 900 s"
echo "reverse of $many frames of 32 x 24: $(echo "$(date +%s.%N) - $start" | bc) s end to end (goal under 10 s)"
