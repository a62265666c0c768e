#!/bin/sh
# The real program in a real window: a virtual camera with a dozen sample
# pictures is plugged in, snapfetch shows their thumbnails on an X display,
# and the window's picture is taken from the X server and looked at: the
# first row of thumbnail boxes must not show the black background.
#   desktop_test.sh BIN_DIR PNG
# Before that, with no camera and no window manager, the program is started
# and ended many times through its message box and main dialog, answered
# with real keys (the keyboard must follow the windows the program
# activates, and every exit status is 0). With the camera, a message box
# is closed and Ctrl+clicks then select several pictures.
# Runs itself under xvfb-run when there is no display; exit 77 (skipped)
# without xvfb-run or xdotool.
set -u
if ! command -v xdotool >/dev/null 2>&1; then
  echo "xdotool is missing (Debian package xdotool): the desktop test is skipped"
  exit 77
fi
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

starts=${DESKTOP_TEST_STARTS:-30}

# The title of the window that has the keyboard, once it is $1; fails
# after 30 s.
wait_focus() {
  for _ in $(seq 300); do
    [ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  echo "the keyboard is not on \"$1\" (it is on \"$(xdotool getwindowfocus getwindowname 2>&1)\")"
  return 1
}

# xdotool, tried again when a busy X server refuses its connection.
xdo() {
  for _ in 1 2 3; do
    xdotool "$@" && return 0
    sleep 0.2
  done
  return 1
}

# The program ends by itself within 60 s; its exit status.
wait_end() {
  for _ in $(seq 600); do
    kill -0 "$snapfetch" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$snapfetch" 2>/dev/null && { echo "snapfetch did not end"; return 1; }
  wait "$snapfetch"
  status=$?
  snapfetch=
  return 0
}

snapfetch=
camsim=
log=$(mktemp)
finish() {
  [ -n "$snapfetch" ] && kill "$snapfetch" 2>/dev/null && wait "$snapfetch" 2>/dev/null
  [ -n "$camsim" ] && kill "$camsim" 2>/dev/null && wait "$camsim" 2>/dev/null
  rm -f "$log"
}
trap finish EXIT

# No camera: "Can not find digital camera!" (Enter), then the main dialog
# (Esc) ends the program with status 0, every time.
for i in $(seq "$starts"); do
  WINPLAT_DISPLAY=sdl "$bin/snapfetch" 2>"$log" &
  snapfetch=$!
  wait_focus snapfetch || { cat "$log"; echo "start $i of $starts"; exit 1; }
  xdo key Return
  wait_focus "$title" || { cat "$log"; echo "start $i of $starts"; exit 1; }
  xdo key Escape
  wait_end || { cat "$log"; echo "start $i of $starts"; exit 1; }
  [ "$status" -eq 0 ] || { cat "$log"; echo "start $i of $starts ended with status $status"; exit 1; }
done
echo "$starts starts ended through the keyboard, all with status 0"

"$bin/camsim" --pictures 12 >"$log" 2>&1 &
camsim=$!
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

# ACQUIRE with nothing selected: "Select at least one image!" (Enter); then
# a click and two Ctrl+clicks select three pictures, whose frames show
# the yellow corners of a selected picture.
wait_focus "$title" || exit 1
main=$(xdo getwindowfocus)
xdo mousemove --window "$main" 462 192 click 1
wait_focus snapfetch || exit 1
xdo key Return
wait_focus "$title" || exit 1
xdo mousemove --window "$main" 64 66 click 1
xdo keydown ctrl mousemove --window "$main" 184 66 click 1 mousemove --window "$main" 304 66 click 1 keyup ctrl
corners="18,30 138,30 258,30"
for _ in $(seq 100); do
  [ "$("$bin/desktop_probe" "$title" "$png" $corners | grep -c '#ffe600')" -eq 3 ] && break
  sleep 0.1
done
"$bin/desktop_probe" "$title" "$png" $corners
[ "$("$bin/desktop_probe" "$title" "$png" $corners | grep -c '#ffe600')" -eq 3 ] ||
  { echo "Ctrl+click did not select three pictures"; exit 1; }
echo "Ctrl+clicks select three pictures after a message box"
xdo key Escape
wait_end || exit 1
[ "$status" -eq 0 ] || { echo "snapfetch ended with status $status"; exit 1; }
