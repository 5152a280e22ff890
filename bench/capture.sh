#!/usr/bin/env bash
# Screen grabbing under Wine on a 1024 x 768 Xvfb display, in one run: the
# engine's grabs per second at reductions 1 and 2 (flag-XOR coded) through GDI
# and through DirectDraw, a bare loop of full-screen BitBlts (the GDI limit) and
# of full-screen BltFasts from the primary surface (the DirectDraw limit), a
# native client's plain XGetImage of the root window (the X server's limit
# without shared memory, which Wine's GDI reads go through), ffmpeg's x11grab of
# the same display (shared memory), whether a recording at 60 fps writes every
# frame number, and the processor time of an idle engine and of a recording at
# 12 fps. (Wine's primary surface reads as black: the DirectDraw figures measure
# the copying and coding, not what a real desktop costs.)
#   bench/capture.sh [win64-build-folder]   (default build/win64)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/win64}
cmake --build "$build" --target capture_probe -j 2 >/dev/null
probe=$(find "$build" -name capture_probe.exe -type f | head -1)
wine_dir=$(mktemp -d)
trap '"$top/tools/wine-env" down "$wine_dir" >/dev/null 2>&1; rm -rf "$wine_dir"' EXIT
"$top/tools/wine-env" up "$wine_dir" >/dev/null
run() { "$top/tools/wine-run" "$wine_dir" "$probe" "$@" | tr -d '\r'; }
# shellcheck source=/dev/null
display=$(. "$wine_dir/env.sh" && echo "$DISPLAY")

bare=$(run bitblt 5)
one=$(run record 1 1000 5)
two=$(run record 2 1000 5)
bltfast=$(run bltfast 5)
dd_one=$(run record 1 1000 5 ddraw)
dd_two=$(run record 2 1000 5 ddraw)
sixty=$(run record 1 60 5)
twelve=$(run record 1 12 5)
idle=$(run idle 5)
xget=""
if [ -f /usr/include/X11/Xlib.h ]; then
  cc -O2 "$top/bench/xgetimage.c" -o "$wine_dir/xgetimage" -lX11
  xget=$(DISPLAY=$display "$wine_dir/xgetimage" 5)
fi
x11=$(ffmpeg -hide_banner -nostats -f x11grab -framerate 1000 -video_size 1024x768 -t 5 \
  -i "$display" -f null - 2>&1 | grep -oE 'frame= *[0-9]+' | tail -1 | grep -oE '[0-9]+')

echo "$bare"; echo "$one"; echo "$two"
echo "$bltfast"; echo "$dd_one"; echo "$dd_two"
echo "$sixty"; echo "$twelve"; echo "$idle"
echo "${xget:-xgetimage skipped (no libx11-dev)}"
echo "ffmpeg x11grab grabs_per_second=$(python3 -c "print(round(${x11:-0}/5,1))")"
python3 - "$bare" "$one" "$bltfast" "$dd_one" <<'PY'
import sys
def value(line, key):
    return float(dict(p.split("=") for p in line.split()[1:] if "=" in p)[key])
print("reduction 1 against bare BitBlt: %.2f" % (value(sys.argv[2], "grabs_per_second") / value(sys.argv[1], "grabs_per_second")))
print("DirectDraw reduction 1 against bare BltFast: %.2f" % (value(sys.argv[4], "grabs_per_second") / value(sys.argv[3], "grabs_per_second")))
PY
