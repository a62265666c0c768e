#!/usr/bin/env bash
# Builds and runs every test: the plain build, the build with AddressSanitizer
# and UndefinedBehaviorSanitizer, and each fuzz target for a bounded time; and
# builds the project as a packager does. Warnings are errors in every build.
#   FUZZ_SECONDS   seconds per fuzz target (default 60 under CI, else 10)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-$([ -n "${CI:-}" ] && echo 60 || echo 10)}

echo "== Plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWINPLAT_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Installing: the plain build installed, moved and packaged"
scripts/install-check.sh build

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DWINPLAT_SANITIZE=ON -DWINPLAT_WERROR=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== A packager's build: the default generator, Release (-O3)"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DWINPLAT_WERROR=ON >/dev/null
cmake --build build-release -j "$jobs"

echo "== Fuzz targets, ${fuzz_seconds} s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWINPLAT_FUZZ=ON -DWINPLAT_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$jobs"
for target in build-fuzz/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=fuzz/seeds/${name#fuzz_}
  echo "-- $name"
  "$target" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 | tail -n 12
done
echo "All tests passed."
