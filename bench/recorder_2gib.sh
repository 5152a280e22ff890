#!/usr/bin/env bash
# By hand, not a test: a 100-second full-screen 1024 x 768 recording at 12
# frames per second through the recorder's unattended mode under Wine, on the
# bench's own Xvfb with a moving test picture. The AVI passes 2 GiB (OpenDML);
# ffprobe counts its frames against the 1200 the length asks for; and the
# conversion (the run's time after the recording's seconds) is put next to `cp`
# of the same bytes.
#   bench/recorder_2gib.sh [SECONDS]   (default 100; needs about 3 x 2.9 GB free)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-100}
build=$top/build/win64
cmake --build "$build" --target recorder -j 2 >/dev/null
wine_dir=$build/bench-wine
work=$top/build/bench-recorder
rm -rf "$work"
mkdir -p "$work"
"$top/tools/wine-env" up "$wine_dir" >/dev/null
mover=
cleanup() {
  [ -n "$mover" ] && kill "$mover" 2>/dev/null
  "$top/tools/wine-env" down "$wine_dir" >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=/dev/null
source "$wine_dir/env.sh"
ffplay -loglevel quiet -noborder -left 0 -top 0 \
  -f lavfi -i "testsrc=size=1024x768:rate=25" >/dev/null 2>&1 &
mover=$!
sleep 2
# The program beside its own settings and temp files.
cp "$build/bin/recorder.exe" "$work/"
avi=$work/movie.avi
start=$(date +%s.%N)
"$top/tools/wine-run" "$wine_dir" "$work/recorder.exe" /record "$seconds" /codec 1 \
  /out "Z:${avi//\//\\}" | tr -d '\r'
end=$(date +%s.%N)
bytes=$(stat -c %s "$avi")
frames=$(ffprobe -v error -select_streams v:0 -count_packets \
  -show_entries stream=nb_read_packets -of csv=p=0 "$avi")
echo "AVI: $bytes bytes ($((bytes / 1048576)) MiB), $frames frames (of $((seconds * 12)) asked)"
[ "$bytes" -gt 2147483648 ] && echo "past 2 GiB: ffprobe reads $(ffprobe -v error \
  -show_entries format=format_long_name -of csv=p=0 "$avi")"
copy_start=$(date +%s.%N)
cp "$avi" "$work/copy.bin"
sync "$work/copy.bin"
copy_end=$(date +%s.%N)
python3 - "$start" "$end" "$seconds" "$copy_start" "$copy_end" "$bytes" <<'PY'
import sys
start, end, seconds, cs, ce, size = map(float, sys.argv[1:])
convert = end - start - seconds
copy = ce - cs
mb = size / 1e6
print("run %.1f s: recording %.0f s, start-up and conversion %.1f s (%.0f MB/s)" % (end - start, seconds, convert, mb / convert))
print("cp of the same bytes: %.1f s (%.0f MB/s)" % (copy, mb / copy))
PY
