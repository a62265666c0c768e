#!/usr/bin/env bash
# The main job: builds the project, plugs in a virtual camera with a dozen
# sample pictures (unless a camera is plugged in already) and opens
# snapfetch on it in a desktop window. The camera plugged in here is
# unplugged again when snapfetch ends. Arguments go to snapfetch.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWINPLAT_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built. snapfetch shows a desktop window, but there is no display here (DISPLAY and WAYLAND_DISPLAY are unset)."
  echo "Run it on a virtual X display instead:"
  echo "  xvfb-run -a scripts/run.sh"
  echo "(xvfb-run comes with the Debian package xvfb: scripts/deps.sh test installs it.)"
  exit 1
fi

# A camera counts when snapfetch accepts its description.
camera_plugged_in() {
  build/bin/camsim --list | cut -f2 | grep -xE 'VX Digital Still Camera|Pardex|Marovane|Lumitra|Corvana Qa410m' >/dev/null
}

camsim_pid=
snapfetch_pid=
unplug() {
  if [ -n "$camsim_pid" ]; then
    kill "$camsim_pid" 2>/dev/null || true
    wait "$camsim_pid" 2>/dev/null || true
    camsim_pid=
  fi
}
# Interrupted: snapfetch goes too, then the camera is unplugged (EXIT).
stop() {
  if [ -n "$snapfetch_pid" ]; then
    kill "$snapfetch_pid" 2>/dev/null || true
    wait "$snapfetch_pid" 2>/dev/null || true
  fi
}
trap unplug EXIT
trap 'stop; exit 130' INT
trap 'stop; exit 143' TERM HUP

if camera_plugged_in; then
  echo "A camera is plugged in already: snapfetch uses it."
else
  camsim_log=$(mktemp)
  build/bin/camsim --pictures 12 >"$camsim_log" 2>&1 &
  camsim_pid=$!
  # It is plugged in once it has said so (at most 10 s).
  for _ in $(seq 100); do
    grep -q "plugged in" "$camsim_log" && break
    kill -0 "$camsim_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! grep -q "plugged in" "$camsim_log"; then
    cat "$camsim_log" >&2
    rm -f "$camsim_log"
    echo "The virtual camera could not be plugged in." >&2
    exit 1
  fi
  head -n 2 "$camsim_log"
  rm -f "$camsim_log"
fi

# In the background, so that a signal reaches the traps at once.
build/bin/snapfetch "$@" &
snapfetch_pid=$!
status=0
wait "$snapfetch_pid" || status=$?
snapfetch_pid=
exit "$status"
