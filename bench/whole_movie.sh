#!/usr/bin/env bash
# Whole-movie filter runs of the editor under Wine (editor.exe /filter), end to
# end: open, decode, filter, write, copy the sound. A 640 x 480, 300-frame
# uncompressed AVI with PCM sound goes through grayscale, blur (radius 1) and
# the Sobel edge extraction, next to ffmpeg doing the nearest filter from and
# to uncompressed AVI, single-threaded and with its default threads, in the
# same hyperfine run. Prints frames per second and our ratio to each.
#
# The filters are not the same arithmetic, only the same work:
#   grayscale: ours 0.587 G + 0.114 B + 0.299 R truncated into all three bytes;
#              ffmpeg format=gray (BT.601 limited range), back to bgr24.
#   blur:      ours a 3 x 3 box mean over the samples inside the picture;
#              ffmpeg boxblur=1:1 on planar RGB (gbrp), edges handled its own way.
#   Sobel:     ours a thresholded integer difference per channel (the pixel
#              keeps its colour or turns white); ffmpeg sobel computes a float
#              gradient magnitude per plane.
#   bench/whole_movie.sh [win64-build-folder]   (default build/win64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cmake --build "$build" --target editor -j 2 >/dev/null
editor=$build/bin/editor.exe
work=$(mktemp -d)
wine_dir=$work/wine
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$work"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
frames=300
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=30" -f lavfi -i "sine=frequency=440:sample_rate=44100" \
  -frames:v $frames -t 10 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$work/in.avi"
win_in="Z:${work//\//\\}\\in.avi"
win_out="Z:${work//\//\\}\\out.avi"
ours() { echo "$top/tools/wine-run $wine_dir $editor /filter $1 '$win_in' '$win_out'"; }
theirs() {  # threads, filter
  echo "ffmpeg -v error -y $1 -i $work/in.avi -vf $2 -c:v rawvideo -pix_fmt bgr24 -c:a copy $work/ff.avi"
}
one="-threads 1 -filter_threads 1"
# A first run proves the output whole before anything is timed.
sh -c "$(ours grayscale)" >/dev/null 2>&1
test "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$work/out.avi")" = $frames
hyperfine --warmup 1 --runs 5 --export-json "$work/times.json" \
  -n "ours grayscale" "$(ours grayscale)" \
  -n "ffmpeg-1 grayscale" "$(theirs "$one" format=gray,format=bgr24)" \
  -n "ffmpeg grayscale" "$(theirs "" format=gray,format=bgr24)" \
  -n "ours blur" "$(ours "blur 1")" \
  -n "ffmpeg-1 blur" "$(theirs "$one" format=gbrp,boxblur=1:1,format=bgr24)" \
  -n "ffmpeg blur" "$(theirs "" format=gbrp,boxblur=1:1,format=bgr24)" \
  -n "ours sobel" "$(ours "edge 50 2 0")" \
  -n "ffmpeg-1 sobel" "$(theirs "$one" format=gbrp,sobel,format=bgr24)" \
  -n "ffmpeg sobel" "$(theirs "" format=gbrp,sobel,format=bgr24)" >/dev/null
python3 - "$work/times.json" $frames <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
n = int(sys.argv[2])
for f in ("grayscale", "blur", "sobel"):
    o, one, many = r["ours " + f], r["ffmpeg-1 " + f], r["ffmpeg " + f]
    print("%-9s ours %6.1f fps | ffmpeg 1 thread %6.1f fps (ours %.2fx) | ffmpeg default threads %6.1f fps (ours %.2fx)"
          % (f, n / o, n / one, one / o, n / many, many / o))
PY
