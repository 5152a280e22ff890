#!/bin/sh
# Reads with ffprobe the movies recorder_app_win_test made under Wine: the
# unattended recording (160 x 120 at 10 per second, about 2 s, with sound) and
# the conversion of a recorder killed after 24 frames (320 x 240 at 12 per second), and a
# recording in the format chosen in the sound-format dialog (16 bits, 44.1 kHz, stereo).
set -u
dir=$1
fail=0
check() {  # file, expected "width,height,rate", least frames, most frames
  [ -f "$dir/$1" ] || { echo "$1 missing"; fail=1; return; }
  got=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height,r_frame_rate \
    -of csv=p=0 "$dir/$1")
  [ "$got" = "$2" ] || { echo "$1: expected $2, got $got"; fail=1; }
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
    -of csv=p=0 "$dir/$1")
  { [ "$frames" -ge "$3" ] && [ "$frames" -le "$4" ]; } ||
    { echo "$1: $frames frames, expected $3 to $4"; fail=1; }
  sound=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate \
    -of csv=p=0 "$dir/$1")
  [ "$sound" = "pcm_u8,11025" ] || { echo "$1: sound $sound"; fail=1; }
  echo "$1: $got, $frames frames, sound $sound"
}
check unattended.avi "160,120,10/1" 18 30
check killed.avi "320,240,12/1" 24 30
# The sound format chosen in the sound-format dialog.
f="$dir/sound_format.avi"
if [ -f "$f" ]; then
  sound=$(ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels \
    -of csv=p=0 "$f")
  [ "$sound" = "pcm_s16le,44100,2" ] || { echo "sound_format.avi: sound $sound"; fail=1; }
  echo "sound_format.avi: sound $sound"
else
  echo "sound_format.avi missing"; fail=1
fi
exit $fail
