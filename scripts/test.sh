#!/usr/bin/env bash
# Builds the project, checks the formatting of the sources, and runs every
# test: the whole suite (GoogleTest and the headless Qt tests) through CTest,
# then the tests without Qt once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a
# short run from its seeds (scripts/fuzz.sh runs the long campaigns).
set -euo pipefail
cd "$(dirname "$0")/.."
# The packages first, then the formatting, which needs no build: a badly
# formatted tree fails before the long build starts.
SETUP_SKIP_BUILD=1 scripts/setup.sh

JOBS=$(nproc)
echo "== formatting (.clang-format)"
scripts/format.sh --check

echo "== build"
scripts/setup.sh

echo "== tests"
ctest --test-dir build --output-on-failure -j"$JOBS" --timeout 300
echo "== Kerberos through a throw-away Samba AD domain controller (label kerberos)"
ctest --test-dir build --output-on-failure -C kerberos -L kerberos
echo "== a session with the Orca screen reader (label orca)"
ctest --test-dir build --output-on-failure -C orca -L orca

echo "== tests without Qt under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCORVELLA_GUI=OFF -DCORVELLA_BENCH=OFF -DCORVELLA_SANITIZE=ON > /dev/null
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$JOBS" --timeout 300

echo "== fuzz targets (short runs)"
# Each target starts from its seeds in fuzz/corpus/ and keeps what it finds in
# a fresh folder, so the run does not depend on earlier campaigns; the first
# finding fails this script.
fuzz_work=$(mktemp -d)
trap 'rm -rf "$fuzz_work"' EXIT
FUZZ_WORK="$fuzz_work" scripts/fuzz.sh "${FUZZ_SECONDS:-10}"
echo "== all tests passed"
