#!/usr/bin/env bash
# Builds the project and runs every test: the whole suite (GoogleTest and the
# headless Qt tests) through CTest, then the tests without Qt once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a
# short run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

JOBS=$(nproc)
echo "== tests"
ctest --test-dir build --output-on-failure -j"$JOBS" --timeout 300

echo "== tests without Qt under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCORVELLA_GUI=OFF -DCORVELLA_BENCH=OFF -DCORVELLA_SANITIZE=ON > /dev/null
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS" --timeout 300

echo "== fuzz targets (short runs)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCORVELLA_GUI=OFF -DCORVELLA_BENCH=OFF -DBUILD_TESTING=OFF -DCORVELLA_FUZZ=ON > /dev/null
cmake --build build-fuzz -j"$JOBS"
# Each run starts from the sample files (a fresh corpus folder, so the samples
# stay clean) and stops at the first fault, which fails this script.
for f in $(find build-fuzz/fuzz -maxdepth 3 -type f -executable -name 'fuzz_*' | sort); do
  corpus=$(mktemp -d)
  cp examples/* "$corpus"/
  echo "-- $(basename "$f")"
  "$f" "$corpus" -max_total_time="${FUZZ_SECONDS:-15}" -rss_limit_mb=2048 -print_final_stats=0 2>&1 | tail -2
  rm -rf "$corpus"
done
echo "== all tests passed"
