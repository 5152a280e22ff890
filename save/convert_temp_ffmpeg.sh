#!/bin/sh
# Checks with ffprobe and ffmpeg the movie that convert_temp_win_test saved the
# compressed way under Wine: its streams, and every frame equal to what was
# recorded.
set -u
dir=$1
fail=0
got=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$dir/compressed.avi")
[ "$got" = "rawvideo,8,4,4" ] || { echo "video: expected rawvideo,8,4,4, got $got"; fail=1; }
got=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate -of csv=p=0 "$dir/compressed.avi")
[ "$got" = "pcm_u8,11025" ] || { echo "sound: expected pcm_u8,11025, got $got"; fail=1; }
ffmpeg -v error -i "$dir/compressed.avi" -map 0:v -f rawvideo -pix_fmt bgr24 - > "$dir/decoded.bgr" || fail=1
cmp "$dir/decoded.bgr" "$dir/compressed.bgr" || { echo "frames differ from the recording"; fail=1; }
[ $fail = 0 ] && echo "the compressed conversion is read back frame for frame"
exit $fail
