#!/bin/sh
# Reads back with ffprobe and ffmpeg the movies that editor_synthesis_win_test
# made under Wine: their rates and frame counts, and every frame's pixels.
set -u
dir=$1
fail=0
check() {  # movie, expected codec,width,height,frames,rate
  got=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames,r_frame_rate -of csv=p=0 "$dir/$1.avi")
  [ "$got" = "$2" ] || { echo "$1: expected $2, got $got"; fail=1; }
  ffmpeg -v error -i "$dir/$1.avi" -f rawvideo -pix_fmt bgr24 - > "$dir/$1.decoded" || fail=1
  cmp -s "$dir/$1.decoded" "$dir/$1.bgr" || { echo "$1: frames differ from the test's"; fail=1; }
}
check sequence "rawvideo,4,3,2/1,10"
check fade "rawvideo,5,3,1/1,3"
check burn "rawvideo,16,100,12/1,100"
[ $fail = 0 ] && echo "every synthesised movie is read back frame for frame"
exit $fail
