#!/usr/bin/env bash
# Builds the libFuzzer targets (optimised, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a campaign of SECONDS
# (default 600), one target after another:
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     no TARGET: every target
#
# Each run resumes from the seeds in fuzz/corpus/<target>/ and from what
# earlier campaigns found; inputs that reach new code are kept outside the
# tree, in $FUZZ_WORK/<target>/corpus (FUZZ_WORK defaults to
# ~/.cache/corvella-fuzz), so the seeds stay small. A finding (crash, leak,
# sanitizer report, time-out, memory limit) is saved in
# $FUZZ_WORK/<target>/findings and ends that target's run. Prints per target
# the inputs run and the findings; exits 1 when there was any finding.
#
#   FUZZ_RUNS=N       stop each target after N inputs (whichever comes first)
#   FUZZ_BUILD_DIR    build folder (default build-fuzz)
#   FUZZ_TIMEOUT      seconds one input may take before it counts as a hang (10)
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-600}
shift || true
WORK=${FUZZ_WORK:-${XDG_CACHE_HOME:-$HOME/.cache}/corvella-fuzz}
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}

SETUP_SKIP_BUILD=1 scripts/setup.sh
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # The compiler reads the coverage ignore list itself; ccache must know it.
  export CCACHE_EXTRAFILES=$PWD/fuzz/coverage-ignore.txt
fi
# CORVELLA_FUZZ chooses the optimisation itself (-O2 -g, assertions kept).
CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCORVELLA_GUI=OFF -DCORVELLA_BENCH=OFF -DBUILD_TESTING=OFF -DCORVELLA_FUZZ=ON \
  "${launcher[@]}" > /dev/null
cmake --build "$BUILD" -j"$(nproc)"

mapfile -t all < <(find "$BUILD/fuzz" -maxdepth 3 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort)
targets=("$@")
((${#targets[@]})) || targets=("${all[@]}")

# The dictionary of a target, if it has one.
dictionary() {
  case "$1" in
    fuzz_profile | fuzz_request_load | fuzz_settings) echo fuzz/dict/ini.dict ;;
    fuzz_zeltrpc_reply_pdu | fuzz_zeltrpc_pipe_framing) echo fuzz/dict/pdu.dict ;;
    fuzz_zeltrpc_ndr) echo fuzz/dict/ndr.dict ;;
  esac
}

# Sanitizer reports end the run and name the faulty line. Freed memory is held
# back for 16 MiB of later allocations (far more than one input allocates)
# instead of 256, so recycled memory is still in the cache, and it is never
# handed back to the system, so reusing it costs no page faults (the
# -rss_limit_mb below still bounds it).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=16:allocator_release_to_os_interval_ms=-1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

summary=()
failed=0
for target in "${targets[@]}"; do
  binary=$(find "$BUILD/fuzz" -maxdepth 3 -type f -executable -name "$target" | head -1)
  if [ -z "$binary" ]; then
    echo "fuzz: no target $target (known: ${all[*]})" >&2
    exit 2
  fi
  corpus="$WORK/$target/corpus"
  findings="$WORK/$target/findings"
  mkdir -p "$corpus" "$findings"
  seeds=()
  [ -d "fuzz/corpus/$target" ] && seeds=("fuzz/corpus/$target")
  options=(-max_total_time="$SECONDS_PER_TARGET" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048
           -print_final_stats=1 -artifact_prefix="$findings/")
  [ -n "${FUZZ_RUNS:-}" ] && options+=(-runs="$FUZZ_RUNS")
  dict=$(dictionary "$target")
  [ -n "$dict" ] && options+=(-dict="$dict")
  before=$(find "$findings" -type f | wc -l)
  log="$WORK/$target/last-run.log"
  echo "-- $target (${SECONDS_PER_TARGET} s${FUZZ_RUNS:+ or $FUZZ_RUNS inputs}; log $log)"
  # New coverage goes to the first folder only; the seeds are read, never written.
  rc=0
  "$binary" "$corpus" "${seeds[@]}" "${options[@]}" > "$log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  new=$(find "$findings" -type f | wc -l)
  found=$((new - before))
  if ((rc != 0 && found == 0)); then found=1; fi
  if ((found > 0)); then
    failed=1
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5 || true
    tail -3 "$log"
  fi
  line=$(printf '%-26s %12s inputs %8s/s %3d finding(s)' "$target" "${runs:-?}" "${speed:-?}" "$found")
  echo "$line"
  summary+=("$line")
done

echo "== fuzz summary (corpus and findings in $WORK)"
printf '%s\n' "${summary[@]}"
exit "$failed"
