#!/usr/bin/env bash
# Installs the Debian packages the project needs (when run as root), or
# prints the one apt-get line that would.
#   scripts/deps.sh build   what building needs
#   scripts/deps.sh test    building plus the test tools (Xvfb, clang's fuzzer) and
#                           other fonts (Noto) that the text tests run under too
set -euo pipefail

build_packages=(cmake ninja-build g++ pkgconf libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libpng-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libjpeg62-turbo-dev libturbojpeg0-dev libgphoto2-dev)
test_packages=(xvfb xauth xdotool clang libclang-rt-14-dev fonts-noto-core fonts-noto-mono
  dpkg-dev)  # dpkg-shlibdeps, for the Debian package

wanted=("${build_packages[@]}")
if [ "${1:-build}" = test ]; then
  wanted+=("${test_packages[@]}")
fi

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Missing Debian packages. Install them with:"
  echo "  sudo apt-get install -y ${missing[*]}"
  exit 1
fi
