#!/bin/sh
# Reads with ffprobe and ffmpeg what editor_range_win_test left in a folder:
# every extracted bitmap against its frame of the movie it came from (same
# pixel format, same pixels), the range movies against the source's stretch
# of frames and sound, and the text movies against their sources.
set -u
dir=$1
fail=0
count=0
say() { echo "$*"; fail=1; }
frame() {  # movie index -> the frame's pixels as ffmpeg decodes them
  ffmpeg -v error -i "$1" -vf "select=eq(n\,$2)" -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null
}
pixfmt() { ffprobe -v error -select_streams v:0 -show_entries stream=pix_fmt -of csv=p=0 "$1"; }

for folder in "$dir"/*/; do
  movie=${folder%/}.avi
  [ -e "$movie" ] || continue
  for bmp in "$folder"*.bmp; do
    [ -e "$bmp" ] || continue
    count=$((count + 1))
    n=$(basename "$bmp" .bmp); n=${n##*_}; n=$(expr "$n" + 0)
    [ "$(pixfmt "$bmp")" = "$(pixfmt "$movie")" ] || say "$bmp: $(pixfmt "$bmp"), movie $(pixfmt "$movie")"
    ffmpeg -v error -i "$bmp" -f rawvideo -pix_fmt rgb24 - 2>/dev/null >"$dir/bmp.rgb"
    frame "$movie" "$n" | cmp -s - "$dir/bmp.rgb" || say "$bmp: pixels differ from frame $n"
  done
done
[ "$(pixfmt "$dir/pal/pal_08.bmp")" = pal8 ] || say "an 8-bit movie gave $(pixfmt "$dir/pal/pal_08.bmp") bitmaps"

# name first last: the range movie against the source's stretch (800 samples a frame)
range() {
  count=$((count + 1))
  src=$dir/$1.avi out=$dir/${1}2.AVI
  ffmpeg -v error -i "$src" -vf "trim=start_frame=$2:end_frame=$(($3 + 1)),setpts=PTS-STARTPTS" -f rawvideo -pix_fmt rgb24 - 2>/dev/null >"$dir/want.rgb"
  ffmpeg -v error -i "$out" -f rawvideo -pix_fmt rgb24 - 2>/dev/null | cmp -s - "$dir/want.rgb" || say "$out: frames differ"
  streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$out" | tr '\n' ' ')
  if [ "$4" = sound ]; then
    [ "$streams" = "video audio " ] || say "$out: streams $streams"
    ffmpeg -v error -i "$src" -af "atrim=start_sample=$(($2 * 800)):end_sample=$((($3 + 1) * 800))" -f s16le - 2>/dev/null >"$dir/want.pcm"
    ffmpeg -v error -i "$out" -map 0:a -f s16le - 2>/dev/null | cmp -s - "$dir/want.pcm" || say "$out: sound differs"
  else
    [ "$streams" = "video " ] || say "$out: streams $streams"
  fi
}
range clip 5 12 sound
range lastframe 19 19 sound
range silent 0 3 none

# name frames-with-text...: the others equal the source, no sound
text() {
  count=$((count + 1))
  name=$1; shift
  src=$dir/text_$name.avi out=$dir/text_${name}_out.avi
  [ "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$out" | tr '\n' ' ')" = "video " ] || say "$out: not video only"
  for n in 0 1 2 3 4; do
    frame "$src" $n >"$dir/want.rgb"
    drawn=no
    for t in "$@"; do [ "$t" = "$n" ] && drawn=yes; done
    if frame "$out" $n | cmp -s - "$dir/want.rgb"; then
      [ $drawn = no ] || say "$out: no text on frame $n"
    else
      [ $drawn = yes ] || say "$out: frame $n changed"
    fi
  done
}
text one_frame 2
text two_lines 1 2 3
text empty

rm -f "$dir/bmp.rgb" "$dir/want.rgb" "$dir/want.pcm"
[ $count -gt 10 ] || say "only $count files in $dir"
[ $fail = 0 ] && echo "$count bitmaps and movies as expected"
exit $fail
