#!/bin/sh
# Reads with ffprobe the bitmap files that a capture test wrote in
# bitmap-sequence mode under Wine: each must be a 321 x 240 BMP, numbered
# without gaps from 0000000000.bmp.
#   capture_bitmaps_ffprobe.sh OUTPUT_DIR [FOLDER_UNDER_IT]
set -u
root=$1/${2:-BitmapSequenceWritesNumberedBitmapFiles}
dir=$(ls -td "$root"/*/ 2>/dev/null | head -n 1)
[ -n "$dir" ] || { echo "no bitmap folder under $root"; exit 1; }
fail=0
n=0
while :; do
  file=$(printf '%s%.10d.bmp' "$dir" "$n")
  [ -f "$file" ] || break
  got=$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$file")
  [ "$got" = "bmp,321,240" ] || { echo "$file: expected bmp,321,240, got $got"; fail=1; }
  n=$((n + 1))
done
total=$(ls "$dir" | wc -l)
[ "$total" = "$n" ] || { echo "$total files, but only $n numbered without a gap"; fail=1; }
[ "$n" -ge 20 ] || { echo "only $n bitmap files"; fail=1; }
[ $fail = 0 ] && echo "$n bitmap files read by ffprobe"
exit $fail
