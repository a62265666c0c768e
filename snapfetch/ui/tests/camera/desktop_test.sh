#!/bin/sh
# The real program in a real window: a virtual camera with a dozen sample
# pictures is plugged in, snapfetch shows their thumbnails on an X display,
# and the window's picture is taken from the X server and looked at: the
# first row of thumbnail boxes must not show the black background.
#   desktop_test.sh BIN_DIR PNG
# Runs itself under xvfb-run when there is no display; exit 77 (skipped)
# without xvfb-run.
set -u
if [ -z "${DESKTOP_TEST_DISPLAY:-}" ]; then
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "xvfb-run is missing (Debian package xvfb): the desktop test is skipped"
    exit 77
  fi
  DESKTOP_TEST_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
bin=$1
png=$2
title="RQ5800 V1.10 -- MAROVANE Technology INC."
# Centres of the thumbnail boxes of the first row, in client pixels.
points="64,66 184,66 304,66"

log=$(mktemp)
"$bin/camsim" --pictures 12 >"$log" 2>&1 &
camsim=$!
snapfetch=
finish() {
  [ -n "$snapfetch" ] && kill "$snapfetch" 2>/dev/null && wait "$snapfetch" 2>/dev/null
  kill "$camsim" 2>/dev/null
  wait "$camsim" 2>/dev/null
  rm -f "$log"
}
trap finish EXIT
for _ in $(seq 100); do
  grep -q "plugged in" "$log" && break
  sleep 0.1
done
grep -q "plugged in" "$log" || { cat "$log"; echo "camsim did not plug in"; exit 1; }

WINPLAT_DISPLAY=sdl "$bin/snapfetch" &
snapfetch=$!
# The thumbnails are up within 60 s, or the test fails.
status=2
for _ in $(seq 120); do
  sleep 0.5
  kill -0 "$snapfetch" 2>/dev/null || { echo "snapfetch ended early"; exit 1; }
  "$bin/desktop_probe" "$title" "$png" $points >/dev/null 2>&1
  status=$?
  [ "$status" -eq 0 ] && break
done
"$bin/desktop_probe" "$title" "$png" $points
echo "screenshot: $png"
[ "$status" -eq 0 ] || { echo "no thumbnails shown (probe status $status)"; exit 1; }
echo "snapfetch shows the camera's thumbnails"
