#!/bin/bash
# Decodes with ffmpeg every file the stream editing commands wrote under Wine
# and compares its frames (NAME.bgr24) and sound (NAME.pcm) with what the
# command must have made of its sources (written by editor_editing_win_test).
set -u
dir=$1
fail=0
count=0
for file in "$dir"/*.avi "$dir"/*.wav; do
  [ -e "$file" ] || continue
  name=$(basename "$file")
  count=$((count + 1))
  if [ -e "$file.bgr24" ] && ! ffmpeg -v error -i "$file" -map 0:v -f rawvideo -pix_fmt bgr24 - 2>/dev/null | cmp -s - "$file.bgr24"; then
    echo "$name: ffmpeg's frames differ"
    fail=1
  fi
  if [ -e "$file.pcm" ] && ! ffmpeg -v error -i "$file" -map 0:a -f s16le -c:a pcm_s16le - 2>/dev/null | cmp -s - "$file.pcm"; then
    echo "$name: ffmpeg's sound differs"
    fail=1
  fi
  # Copied without recompression: the same packets as the source's.
  if [ -e "$file.source" ] && ! ffmpeg -v error -i "$file" -map 0:v -c copy -f framemd5 - 2>/dev/null | grep -v '^#' | cmp -s - <(ffmpeg -v error -i "$file.source" -map 0:v -c copy -f framemd5 - 2>/dev/null | grep -v '^#'); then
    echo "$name: its packets differ from the source's"
    fail=1
  fi
  if [ ! -e "$file.bgr24" ] && [ ! -e "$file.pcm" ] && [ ! -e "$file.source" ]; then
    echo "$name: nothing to compare it with"
    fail=1
  fi
done
if [ $count = 0 ]; then
  echo "no files in $dir"
  fail=1
fi
[ $fail = 0 ] && echo "$count files as expected"
exit $fail
