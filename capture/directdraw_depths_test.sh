#!/usr/bin/env bash
# Runs the DirectDraw capture tests on screens of 16 bits (masks 5-6-5) and
# 8 bits (a system palette), each an Xvfb of its own under its own Wine prefix:
# the test display of the other tests has 24 bits, which Wine shows as 32.
#   directdraw_depths_test.sh TEST_EXE WINE_DIR
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
exe=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
status=0
for depth in 16 8; do
  fifo=$dir/displayfd
  rm -f "$fifo"; mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp -ac 3>"$fifo" \
    </dev/null >"$dir/xvfb$depth.log" 2>&1 &
  xvfb=$!
  number=
  read -r -t 30 number < "$fifo"
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "no Xvfb at $depth bits"; kill "$xvfb" 2>/dev/null; status=1; continue
  fi
  QUILVA_TEST_DISPLAY=":$number" "$top/tools/wine-env" up "$dir" >/dev/null
  echo "== screen of $depth bits"
  (cd "$(dirname "$exe")" && "$top/tools/wine-run" "$dir" "$exe" --gtest_color=no) || status=1
  "$top/tools/wine-env" down "$dir" >/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
done
exit $status
