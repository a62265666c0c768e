#!/bin/bash
# Checks what a build installs: installs it into a temporary DESTDIR, runs
# the installed programs only, with an environment that cannot see the build
# tree, moves the installed tree and runs them again, then builds the Debian
# package and checks its control fields and file list.
#
#   scripts/install-check.sh [build-folder]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
camsim_pid=
cleanup() {
  if [ -n "$camsim_pid" ]; then kill "$camsim_pid" 2>/dev/null || true; wait "$camsim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "install-check: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "install-check: ok: $*"; }
skip() { echo "install-check: SKIP: $*"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "install-check: no project version in $build" >&2; exit 1; }

# ---- The installed layout

DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/snapfetch >/dev/null
root="$work/stage/opt/snapfetch"
private="$root/lib/snapfetch"

for file in bin/snapfetch bin/camsim bin/camlink \
            lib/snapfetch/winplat.reg lib/snapfetch/libkernel32.so lib/snapfetch/libmfc.so lib/snapfetch/libmfccore.so \
            lib/snapfetch/libminidriver.so lib/snapfetch/libcamusb.so lib/snapfetch/libgphotousb.so \
            share/applications/snapfetch.desktop \
            share/man/man1/snapfetch.1.gz share/man/man1/snapctl.1.gz share/man/man1/camsim.1.gz \
            share/man/man1/camlink.1.gz; do
  [ -e "$root/$file" ] || fail "$file is not installed"
done
for page in "$root"/share/man/man1/*.1.gz; do
  gzip -t "$page" || fail "$page is not gzip-compressed"
done
for size in 16 32 48 64 128 256; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/snapfetch.png"
  # A PNG file whose header (IHDR) gives the folder's size.
  width=$(od -An -tu1 -j16 -N4 "$icon" 2>/dev/null | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
  [ "$(head -c4 "$icon" 2>/dev/null | od -An -tx1 | tr -d ' ')" = 89504e47 ] && [ "$width" = "$size" ] ||
    fail "icon $size x $size is missing or not a PNG of that size"
done
# Text the programs read (the registry) must not lead back into the build.
if grep -lF "$build" "$private/winplat.reg" "$root"/share/applications/*; then fail "installed files name the build folder"; fi
for elf in "$root"/bin/* "$private"/*.so; do
  runpath=$(readelf -d "$elf" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
  case "$runpath" in
    '$ORIGIN'*) ;;
    *) fail "$(basename "$elf") has RUNPATH '$runpath', not one relative to itself" ;;
  esac
done
pass "installed layout (programs, private libraries and registry, man pages, desktop entry, icons)"

# ---- Running the installed programs with nothing of the build in sight

# Runs an installed program with a clean environment of its own.
run() {
  env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/xdg" \
      WINPLAT_RUNTIME_DIR="$work/run" WINPLAT_TIME_SCALE=0.01 WINPLAT_DISPLAY=headless LANG=C.UTF-8 "$@"
}

# Waits (bounded) until the camera plugged in by camsim is listed.
wait_for_camera() {
  local bin=$1
  for _ in $(seq 300); do
    if run "$bin/camsim" --list | grep -q .; then return 0; fi
    sleep 0.1
  done
  return 1
}

start_camsim() {
  local bin=$1
  shift
  run "$bin/camsim" "$@" >"$work/camsim.log" 2>&1 &
  camsim_pid=$!
  wait_for_camera "$bin" || { cat "$work/camsim.log" >&2; return 1; }
}

stop_camsim() {
  kill "$camsim_pid" 2>/dev/null || true
  wait "$camsim_pid" 2>/dev/null || true
  camsim_pid=
}

# Compares two folders file by file (names aside): the sorted checksums.
same_contents() {
  [ "$(cd "$1" && cat -- * | wc -c)" -gt 0 ] &&
    diff <(cd "$1" && sha256sum -- * | cut -d' ' -f1 | sort) <(cd "$2" && sha256sum -- * | cut -d' ' -f1 | sort) >/dev/null
}

check_programs() {
  local bin=$1 where=$2
  rm -rf "$work/home" "$work/data" "$work/xdg" "$work/run"
  mkdir -p "$work/home" "$work/data"
  mkdir -m 700 "$work/xdg" "$work/run"

  for program in snapfetch camsim camlink; do
    [ "$(run "$bin/$program" --version)" = "$program $version" ] || fail "$where: $program --version"
  done
  run "$bin/snapfetch" --help | grep -q '^Usage: snapfetch' || fail "$where: snapfetch --help"

  if ! start_camsim "$bin" --pictures 3 --log; then fail "$where: camsim plugged in no camera"; return; fi
  pass "$where: camsim plugs in a camera"
  if run timeout 120 "$bin/snapfetch" >"$work/snapfetch.log" 2>&1; then
    pass "$where: headless snapfetch starts and ends"
  else
    fail "$where: headless snapfetch: $(cat "$work/snapfetch.log")"
  fi
  # The camera logs the requests of the driver that snapfetch reached
  # through the installed registry.
  if grep -q 'descriptor type' "$work/camsim.log"; then
    pass "$where: snapfetch reached the camera through the installed driver"
  else
    fail "$where: snapfetch did not reach the camera: $(cat "$work/camsim.log")"
  fi

  if [ ! -x "$bin/snapctl" ]; then
    skip "$where: snapctl is not installed (not built on this branch): list and get not checked"
    stop_camsim
    return
  fi
  local first="$work/first" second="$work/second"
  rm -rf "$first" "$second"
  mkdir -p "$first" "$second"
  if [ "$(run timeout 120 "$bin/snapctl" list | grep -cE '(^|[^A-Za-z0-9])S[0-9A-Z]{7}([^A-Za-z0-9]|$)')" = 3 ]; then
    pass "$where: snapctl list lists the camera's pictures"
  else
    fail "$where: snapctl list: $(run timeout 120 "$bin/snapctl" list 2>&1)"
  fi
  run timeout 120 "$bin/snapctl" get --all --dest "$first" >/dev/null || fail "$where: snapctl get --all"
  stop_camsim
  # The downloaded files become a folder camera's card; what snapctl gets
  # from it must be those very bytes.
  if ! start_camsim "$bin" --folder "$first"; then fail "$where: camsim --folder plugged in no camera"; return; fi
  run timeout 120 "$bin/snapctl" get --all --dest "$second" >/dev/null || fail "$where: snapctl get --all (folder camera)"
  stop_camsim
  if [ "$(ls "$first" | wc -l)" = 3 ] && same_contents "$first" "$second"; then
    pass "$where: snapctl get --all downloads files byte-identical to the camera's"
  else
    fail "$where: snapctl get --all: the files differ from the camera's"
  fi
}

check_programs "$root/bin" "installed"
# A moved tree keeps working: everything is found relative to the programs.
mv "$work/stage/opt/snapfetch" "$work/moved"
check_programs "$work/moved/bin" "moved"

# ---- The Debian package

if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  (cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
  deb=$(ls "$work"/package/snapfetch_*.deb)
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = snapfetch ] || fail "package name $(field Package)"
  [ "$(field Version)" = "$version" ] || fail "package version $(field Version)"
  [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "package architecture $(field Architecture)"
  dpkg-deb -x "$deb" "$work/unpacked"
  # Every host library the packaged programs link comes from a package that
  # the package depends on (under this distribution's names), and so do the
  # fonts the text is drawn with.
  needed=(fonts-dejavu-core)
  for library in $(find "$work/unpacked" -type f \( -perm -u+x -o -name '*.so' \) -exec readelf -d {} + 2>/dev/null |
                   sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
    [ -e "$work/unpacked/usr/lib/snapfetch/$library" ] && continue
    owner=$(dpkg -S "*/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/$library" 2>/dev/null | head -1 | cut -d: -f1)
    if [ -n "$owner" ]; then needed+=("$owner"); else fail "no Debian package holds $library"; fi
  done
  for package in $(printf '%s\n' "${needed[@]}" | sort -u); do
    field Depends | tr ',' '\n' | awk -v p="$package" '$1 == p {found = 1} END {exit !found}' ||
      fail "package does not depend on $package"
  done
  if field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -E '(-dev|^cmake|^gcc|^g\+\+|^ninja-build|^ccache|^googletest)$'; then
    fail "package depends on build packages: $(field Depends)"
  fi
  files=$(dpkg-deb -c "$deb" | awk '{print $6}')
  echo "$files" | grep -q '^./usr/bin/snapfetch$' || fail "package lacks /usr/bin/snapfetch"
  echo "$files" | grep -q '^./usr/lib/snapfetch/winplat.reg$' || fail "package lacks the registry"
  if echo "$files" | grep -E '_tests$|/include/|\.h$|\.a$|test_|/tests?/'; then fail "package holds test programs or headers"; fi
  if echo "$files" | grep -F "$build"; then fail "package names the build folder"; fi
  if grep -lF "$build" "$work/unpacked/usr/lib/snapfetch/winplat.reg"; then fail "the packaged registry names the build folder"; fi
  pass "Debian package $(basename "$deb"): Depends: $(field Depends); checked: $(printf '%s ' "${needed[@]}" | tr ' ' '\n' | sort -u | xargs)"
  # What the package holds runs as it is, wherever it is unpacked.
  check_programs "$work/unpacked/usr/bin" "packaged"
else
  skip "dpkg-deb or dpkg-shlibdeps (dpkg-dev) is missing: the Debian package is not checked"
fi

if [ "$failures" -ne 0 ]; then
  echo "install-check: $failures failure(s)" >&2
  exit 1
fi
echo "install-check: all checks passed"
