#!/usr/bin/env bash
# Two stream commands of the editor under Wine next to ffmpeg, in the same run:
#   the scene-change scan of "自動分割" on a 640 x 480, 3,000-frame uncompressed
#   movie with hard cuts, next to ffmpeg's scdet filter (which also compares
#   each frame with the one before; ours only sums the channels, reading the
#   frames with one thread per processor);
#   "画像のサイズを変える" at 50 % on 300 frames of 640 x 480, next to ffmpeg
#   scale=iw/2:ih/2:flags=area, both written as uncompressed AVI.
# ffmpeg runs single-threaded and with its default threads. Prints frames per
# second end to end (hyperfine, Wine's start included) and of the work alone
# (the probe's own clock), our ratio to ffmpeg, and the ratio of processor
# time (user + system, Wine's start included), which other load on the
# machine disturbs less than the clock.
#   bench/streams.sh [win64-build-folder]   (default build/win64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cmake --build "$build" --target streams_probe -j 2 >/dev/null
probe=$(find "$build" -name streams_probe.exe -type f | head -1)
work=$(mktemp -d)
wine_dir=$work/wine
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
win() { echo "Z:${1//\//\\}"; }
# Ten-second scenes of a moving test picture and a dark one in turn: a hard cut
# every 300 frames.
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=30:duration=10" \
  -f lavfi -i "color=c=0x181818:size=640x480:rate=30:duration=10" -filter_complex "[0][1]concat=n=2" \
  -c:v rawvideo -pix_fmt bgr24 "$work/two.avi"
ffmpeg -v error -stream_loop 4 -i "$work/two.avi" -c copy "$work/scan.avi"
rm "$work/two.avi"
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=30" -frames:v 300 -c:v rawvideo \
  -pix_fmt bgr24 "$work/resize.avi"
scan_frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
  -of csv=p=0 "$work/scan.avi")
one="-threads 1 -filter_threads 1"
ours_scan="$top/tools/wine-run $wine_dir $probe scan '$(win "$work/scan.avi")'"
ours_resize="$top/tools/wine-run $wine_dir $probe resize '$(win "$work/resize.avi")' '$(win "$work/half.avi")' 50"
ff_scan() { echo "ffmpeg -v error $1 -i $work/scan.avi -vf scdet -f null -"; }
ff_resize() {
  echo "ffmpeg -v error -y $1 -i $work/resize.avi -vf scale=iw/2:ih/2:flags=area -c:v rawvideo -pix_fmt bgr24 $work/ff_half.avi"
}
# A first run proves the resized movie whole before anything is timed.
sh -c "$ours_resize" >/dev/null
test "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames -of csv=p=0 "$work/half.avi")" = "320,240,300"
hyperfine --warmup 1 --runs 5 --export-json "$work/times.json" \
  -n "ours scan" "$ours_scan" \
  -n "ffmpeg-1 scan" "$(ff_scan "$one")" \
  -n "ffmpeg scan" "$(ff_scan "")" \
  -n "ours resize" "$ours_resize" \
  -n "ffmpeg-1 resize" "$(ff_resize "$one")" \
  -n "ffmpeg resize" "$(ff_resize "")" >/dev/null
alone_scan=$(for i in 1 2 3; do sh -c "$ours_scan"; done | tr -d '\r' | awk '/scanned/ { s += $(NF-3); n++ } END { print s / n }')
alone_resize=$(for i in 1 2 3; do sh -c "$ours_resize"; done | tr -d '\r' | awk '/resized/ { s += $(NF-1); n++ } END { print s / n }')
python3 - "$work/times.json" "$scan_frames" 300 "$alone_scan" "$alone_resize" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
r = {x["command"]: x["mean"] for x in results}
cpu = {x["command"]: x["user"] + x["system"] for x in results}
frames = {"scan": int(sys.argv[2]), "resize": int(sys.argv[3])}
alone = {"scan": float(sys.argv[4]), "resize": float(sys.argv[5])}
for what in ("scan", "resize"):
    n, o, one, many = frames[what], r["ours " + what], r["ffmpeg-1 " + what], r["ffmpeg " + what]
    print("%-6s ours %6.1f fps (work alone %6.1f fps) | ffmpeg 1 thread %6.1f fps (ours %.2fx, alone %.2fx)"
          " | ffmpeg default threads %6.1f fps (ours %.2fx, alone %.2fx)"
          % (what, n / o, n / alone[what], n / one, one / o, one / alone[what], n / many, many / o,
             many / alone[what]))
    print("%-6s processor time: ours %.2f s, ffmpeg 1 thread %.2f s (ours %.2fx), default threads %.2f s (ours %.2fx)"
          % (what, cpu["ours " + what], cpu["ffmpeg-1 " + what], cpu["ffmpeg-1 " + what] / cpu["ours " + what],
             cpu["ffmpeg " + what], cpu["ffmpeg " + what] / cpu["ours " + what]))
PY
