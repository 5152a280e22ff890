#!/usr/bin/env bash
# Throughput of turning a 10-second 1024 x 768 recording at 12 frames per
# second into an AVI the uncompressed way, next to `cp` copying the same number
# of bytes, in the same hyperfine run. Prints both and the ratio.
#   bench/conversion.sh [build-folder]   (default build/host)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/host}
cmake --build "$build" --target conversion_tool -j 2 >/dev/null
tool=$(find "$build" -name conversion_tool -type f -perm -u+x | head -1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for codec in 0 1 2; do
  "$tool" make "$work/rec$codec.tmp" 10 "$codec"
done
"$tool" convert "$work/rec1.tmp" "$work/out.avi"
bytes=$(stat -c %s "$work/out.avi")
echo "temp files: $(du -h "$work"/rec*.tmp | cut -f1 | tr '\n' ' '); AVI: $((bytes / 1048576)) MiB, $(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$work/out.avi") frames"
cp "$work/out.avi" "$work/source.bin"
hyperfine --warmup 1 --runs 8 --export-json "$work/times.json" \
  -n plain "$tool convert $work/rec0.tmp $work/o0.avi" \
  -n flag-xor "$tool convert $work/rec1.tmp $work/o1.avi" \
  -n run-xor "$tool convert $work/rec2.tmp $work/o2.avi" \
  -n cp "cp $work/source.bin $work/copy.bin"
python3 - "$work/times.json" "$bytes" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
mb = int(sys.argv[2]) / 1e6
for name in ("plain", "flag-xor", "run-xor"):
    print("%-8s %6.0f MB/s  (%.2f of cp's %6.0f MB/s)" % (name, mb / r[name], r["cp"] / r[name], mb / r["cp"]))
PY
