#!/bin/sh
# Checks with ffprobe the WAV files that sound_recording_win_test recorded under
# Wine: each one's codec, sample rate and channel count, as a public reader sees them.
set -u
dir=$1
fail=0
check() {
  got=$(ffprobe -v error -select_streams a:0 \
    -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$dir/$1" 2>&1)
  [ "$got" = "$2" ] || { echo "$1: expected $2, got $got"; fail=1; }
}
check format_0.wav pcm_u8,11025,1
check format_3.wav pcm_s16le,11025,2
check format_5.wav pcm_u8,22050,2
check format_6.wav pcm_s16le,22050,1
check format_9.wav pcm_u8,44100,2
check format_11.wav pcm_s16le,44100,2
check disk_full.wav pcm_s16le,44100,2
[ $fail = 0 ] && echo "ffprobe reads every recorded WAV with its format"
exit $fail
