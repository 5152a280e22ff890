#!/bin/sh
# Reads with ffprobe and ffmpeg every movie the stream commands wrote under
# Wine: NAME.bgr24 holds the frames ffmpeg must decode from NAME, NAME.probe
# an ffprobe -show_entries argument (first line) and the answer it must give
# as csv (the other lines). Both written by editor_streams_win_test.
set -u
dir=$1
fail=0
count=0
for expected in "$dir"/*.bgr24 "$dir"/*/*.bgr24; do
  [ -e "$expected" ] || continue
  movie=${expected%.bgr24}
  count=$((count + 1))
  if ! ffmpeg -v error -i "$movie" -map 0:v -f rawvideo -pix_fmt bgr24 - 2>/dev/null | cmp -s - "$expected"; then
    echo "$movie: ffmpeg's frames differ from the expected ones"
    fail=1
  fi
done
for probe in "$dir"/*.probe; do
  [ -e "$probe" ] || continue
  movie=${probe%.probe}
  count=$((count + 1))
  entries=$(head -n 1 "$probe")
  want=$(tail -n +2 "$probe")
  got=$(ffprobe -v error -show_entries "$entries" -of csv=p=0 "$movie")
  if [ "$got" != "$want" ]; then
    echo "$movie: ffprobe says '$got', expected '$want'"
    fail=1
  fi
done
if [ $count = 0 ]; then
  echo "no movies in $dir"
  fail=1
fi
[ $fail = 0 ] && echo "$count checks as expected"
exit $fail
