#!/bin/sh
# Checks with ffprobe the files that platform_avi_win_test wrote under Wine.
set -u
dir=$1
fail=0
check() {  # file, ffprobe entries, expected output
  got=$(ffprobe -v error $2 -of csv=p=0 "$dir/$1" 2>&1 | tr '\n' ' ' | sed 's/ *$//')
  if [ "$got" != "$3" ]; then
    echo "$1: expected '$3', got '$got'"
    fail=1
  fi
}
check full_frames.avi "-show_entries format=nb_streams,format_name" "1,avi"
check full_frames.avi "-count_frames -select_streams v:0 -show_entries stream=codec_name,width,height,nb_read_frames" "rawvideo,12,8,5"
check with_sound.avi "-show_entries format=nb_streams" "2"
check with_sound.avi "-select_streams a:0 -show_entries stream=codec_name,sample_rate,channels" "pcm_s16le,8000,2"
# Written through: all frames, then the sound after them.
check written_through.avi "-count_frames -select_streams v:0 -show_entries stream=codec_name,width,height,nb_read_frames" "rawvideo,10,6,6"
check written_through.avi "-select_streams a:0 -show_entries stream=codec_name,sample_rate,channels" "pcm_s16le,8000,2"
check SOUND.WAV "-show_entries format=format_name,duration" "wav,0.500000"
check SOUND.WAV "-show_entries stream=codec_name,sample_rate,channels" "pcm_s16le,8000,2"
# Delta frames copied where they still follow their predecessors, decoded elsewhere.
# (ffmpeg warns of the platform's RLE coder ending a line at the picture's end.)
check rle_delta_from_key.avi "-v fatal -count_frames -select_streams v:0 -show_entries stream=codec_name,nb_read_frames" "msrle,5"
check rle_delta_whole.avi "-v fatal -count_frames -select_streams v:0 -show_entries stream=codec_name,nb_read_frames" "msrle,10"
check rle_delta_from_delta.avi "-count_frames -select_streams v:0 -show_entries stream=codec_name,nb_read_frames" "rawvideo,4"
check rle_delta_reversed.avi "-count_frames -select_streams v:0 -show_entries stream=codec_name,nb_read_frames" "rawvideo,10"
# Every frame decodes.
for f in full_frames.avi with_sound.avi written_through.avi rle_delta_from_key.avi rle_delta_whole.avi rle_delta_from_delta.avi rle_delta_reversed.avi; do
  if ! ffmpeg -v error -xerror -i "$dir/$f" -f null - >/dev/null 2>&1; then
    echo "$f: ffmpeg could not decode it"
    fail=1
  fi
done
[ $fail = 0 ] && echo "all files as expected"
exit $fail
