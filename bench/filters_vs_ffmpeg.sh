#!/usr/bin/env bash
# Frames per second of each filter kernel next to the nearest ffmpeg filter, on
# the same 640 x 480 frames, one thread each, as CPU time. Each ffmpeg figure is
# net of the pixel-format conversion its filter needs: the same run with only
# "format=..." in the chain is the baseline whose time per frame is subtracted.
#   bench/filters_vs_ffmpeg.sh [build dir, default build/host]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/host}
bench=$build/bench/filters_bench
if [ ! -x "$bench" ]; then
  echo "missing $bench: cmake --build $build --target filters_bench" >&2
  exit 1
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

frames=25
ffmpeg -v error -f lavfi -i "testsrc2=size=640x480:rate=25,noise=alls=20:allf=t" \
  -frames:v $frames -pix_fmt bgr24 -f rawvideo "$tmp/frames.raw"

# CPU seconds (user + system) of ffmpeg running `chain` over the frames looped.
ffmpeg_cpu() {
  local chain=$1 loops=$2
  ffmpeg -hide_banner -nostdin -benchmark -filter_threads 1 -filter_complex_threads 1 \
    -threads 1 -stream_loop "$loops" -f rawvideo -pix_fmt bgr24 -s 640x480 -i "$tmp/frames.raw" \
    -threads 1 -vf "$chain" -f null - 2>&1 |
    sed -nE 's/.*bench: utime=([0-9.]+)s stime=([0-9.]+)s.*/\1 \2/p' | awk '{ print $1 + $2 }'
}

declare -A base
for fmt in bgr24 gbrp yuv444p; do
  t=$(ffmpeg_cpu "format=$fmt" 199)
  base[$fmt]=$(awk -v t="$t" -v n=$((frames * 200)) 'BEGIN { print t / n }')
done

QUILVA_BENCH_FRAMES="$tmp/frames.raw" "$bench" --benchmark_format=json \
  --benchmark_min_time=1 >"$tmp/ours.json"

# kernel | our benchmark | ffmpeg pixel format | ffmpeg filter | loops of the 25 frames
cases=(
  "RGB correction|BM_RgbCorrection|bgr24|lutrgb=r='val*250/256':g='255-val*200/256':b='val'|99"
  "contrast|BM_Contrast|bgr24|lutrgb=r='clip(val+30*(val-128)/128,0,255)':g='clip(val+30*(val-128)/128,0,255)':b='clip(val+30*(val-128)/128,0,255)'|99"
  "gamma|BM_Gamma|bgr24|lutrgb=r='gammaval(0.9647)':g='gammaval(0.9647)':b='gammaval(0.9647)'|99"
  "grayscale|BM_Grayscale|bgr24|colorchannelmixer=.299:.587:.114:0:.299:.587:.114:0:.299:.587:.114|49"
  "pale colours|BM_Pale|bgr24|colorchannelmixer=.6667:.1667:.1667:0:.1667:.6667:.1667:0:.1667:.1667:.6667|49"
  "YCrCb correction|BM_YCrCbCorrection|bgr24|colorchannelmixer=1.02:.1:-.12:0:-.05:.98:.07:0:.1:-.2:1.1|49"
  "blur r=2|BM_BoxBlur/2|gbrp|boxblur=2:1|19"
  "unsharp r=2|BM_UnsharpMask/2|yuv444p|unsharp=5:5:1:5:5:1|19"
  "median 3x3|BM_Median/1|gbrp|removegrain=4|99"
  "watercolour 5x5 k=12|BM_Watercolour/12|gbrp|median=radius=2|1"
  "edges: differences|BM_EdgeExtraction/0|gbrp|roberts|19"
  "edges: Roberts|BM_EdgeExtraction/1|gbrp|roberts|19"
  "edges: Sobel|BM_EdgeExtraction/2|gbrp|sobel|19"
  "custom 3x3|BM_CustomFilter|gbrp|convolution=0m='1 1 1 0 0 0 -1 -1 -1':1m='1 1 1 0 0 0 -1 -1 -1':2m='1 1 1 0 0 0 -1 -1 -1'|19"
  "light source|BM_LightSource|||"
)

printf '%-22s %12s %12s %8s  %s\n' kernel "ours fps" "ffmpeg fps" ratio "ffmpeg filter"
for c in "${cases[@]}"; do
  IFS='|' read -r label name fmt filter loops <<<"$c"
  ours=$(python3 -c '
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b["name"] == sys.argv[2]:
        print("%.0f" % b["fps"])
' "$tmp/ours.json" "$name")
  if [ -z "$filter" ]; then
    printf '%-22s %12s %12s %8s  %s\n' "$label" "$ours" - - "(no ffmpeg peer)"
    continue
  fi
  n=$((frames * (loops + 1)))
  t=$(ffmpeg_cpu "format=$fmt,$filter" "$loops")
  theirs=$(awk -v t="$t" -v n=$n -v b="${base[$fmt]}" 'BEGIN { net = t - n * b; if (net <= 0) print "inf"; else printf "%.0f", n / net }')
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { if (b == "inf") print "-"; else printf "%.2f", a / b }')
  printf '%-22s %12s %12s %8s  %s\n' "$label" "$ours" "$theirs" "$ratio" "$fmt,$filter"
done
