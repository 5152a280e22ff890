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
pixfmt() { ffprobe -v error -select_streams v:0 -show_entries stream=pix_fmt -of csv=p=0 "$1"; }
# decode MOVIE OUT: every frame as rgb24 into OUT; sets size to one frame's bytes.
decode() {
  ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgb24 - 2>/dev/null >"$2"
  size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$1" |
    { IFS=x read -r w h; echo $((w * h * 3)); })
}
# frames FILE FIRST COUNT: that many frames of a decoded movie.
frames() { dd if="$1" bs="$size" skip="$2" count="$3" 2>/dev/null; }

for folder in "$dir"/*/; do
  movie=${folder%/}.avi
  [ -e "$movie" ] || continue
  set -- "$folder"*.bmp
  [ -e "$1" ] || continue
  count=$((count + $#))
  first=$(basename "$1" .bmp); first=$(expr "${first##*_}" + 0)
  [ "$(pixfmt "$1")" = "$(pixfmt "$movie")" ] || say "$1: $(pixfmt "$1"), movie $(pixfmt "$movie")"
  decode "$movie" "$dir/movie.rgb"
  # The bitmaps in name order are the frames in order: one run numbers them alike.
  frames "$dir/movie.rgb" "$first" $# >"$dir/want.rgb"
  ffmpeg -v error -pattern_type glob -i "$folder*.bmp" -f rawvideo -pix_fmt rgb24 - 2>/dev/null |
    cmp -s - "$dir/want.rgb" || say "$folder: bitmaps differ from frames $first.. of $movie"
done
[ "$(pixfmt "$dir/pal/pal_08.bmp")" = pal8 ] || say "an 8-bit movie gave $(pixfmt "$dir/pal/pal_08.bmp") bitmaps"

# range NAME FIRST LAST sound|none: the range movie against the source's
# stretch (800 samples a frame).
range() {
  count=$((count + 1))
  src=$dir/$1.avi out=$dir/${1}2.AVI
  decode "$src" "$dir/movie.rgb"
  frames "$dir/movie.rgb" "$2" $(($3 - $2 + 1)) >"$dir/want.rgb"
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

# text NAME FRAMES-WITH-TEXT...: the other frames equal the source's; no sound.
text() {
  count=$((count + 1))
  name=$1; shift
  src=$dir/text_$name.avi out=$dir/text_${name}_out.avi
  [ "$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$out" | tr '\n' ' ')" = "video " ] || say "$out: not video only"
  decode "$out" "$dir/out.rgb"
  decode "$src" "$dir/movie.rgb"
  for n in 0 1 2 3 4; do
    drawn=no
    for t in "$@"; do [ "$t" = "$n" ] && drawn=yes; done
    frames "$dir/movie.rgb" $n 1 >"$dir/want.rgb"
    if frames "$dir/out.rgb" $n 1 | cmp -s - "$dir/want.rgb"; then
      [ $drawn = no ] || say "$out: no text on frame $n"
    else
      [ $drawn = yes ] || say "$out: frame $n changed"
    fi
  done
}
text one_frame 2
text two_lines 1 2 3
text empty

rm -f "$dir/want.rgb" "$dir/want.pcm" "$dir/movie.rgb" "$dir/out.rgb"
[ $count -gt 10 ] || say "only $count files in $dir"
[ $fail = 0 ] && echo "$count bitmaps and movies as expected"
exit $fail
