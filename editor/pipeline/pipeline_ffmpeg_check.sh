#!/bin/sh
# Decodes with ffmpeg every movie the whole-movie drivers wrote under Wine and
# compares its frames and sound with what the kernels made of the source
# frames (NAME.avi.bgr24, NAME.avi.pcm, written by editor_pipeline_win_test).
set -u
dir=$1
fail=0
count=0
for expected in "$dir"/*.avi.bgr24; do
  [ -e "$expected" ] || continue
  movie=${expected%.bgr24}
  name=$(basename "$movie")
  count=$((count + 1))
  if ! ffmpeg -v error -i "$movie" -map 0:v -f rawvideo -pix_fmt bgr24 - 2>/dev/null | cmp -s - "$expected"; then
    echo "$name: ffmpeg's frames differ from the kernel's"
    fail=1
  fi
  if [ -e "$movie.pcm" ] && ! ffmpeg -v error -i "$movie" -map 0:a -f s16le -c:a pcm_s16le - 2>/dev/null | cmp -s - "$movie.pcm"; then
    echo "$name: ffmpeg's sound differs from the source's"
    fail=1
  fi
  title=$(ffprobe -v error -select_streams v:0 -show_entries stream_tags=title -of csv=p=0 "$movie")
  if [ "$title" != "GLIMSA:VIDEO" ]; then
    echo "$name: video stream named '$title'"
    fail=1
  fi
done
if [ $count = 0 ]; then
  echo "no movies in $dir"
  fail=1
fi
[ $fail = 0 ] && echo "$count movies as expected"
exit $fail
