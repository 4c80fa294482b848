#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for the given number of seconds,
# starting from the seed corpora under tests/fuzz/seeds. The corpora grow in
# BUILD_DIR/corpus and are kept between invocations.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 30 s, all targets)
# Environment: BUILD_DIR (default build-fuzz), FUZZ_JOBS (parallel targets, default 1)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
dir=${BUILD_DIR:-build-fuzz}
jobs=${FUZZ_JOBS:-1}

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing; install it with: apt-get install clang" >&2
  exit 2
fi
CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPSS2VORNEX_FUZZ=ON \
  -DSPSS2VORNEX_TESTS=OFF -DSPSS2VORNEX_BENCH=OFF -DSPSS2VORNEX_APP=OFF -DSPSS2VORNEX_WERROR=ON >/dev/null
cmake --build "$dir" -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for path in tests/fuzz/seeds/*/; do targets+=("fuzz_$(basename "$path")"); done
fi

run_target() {
  local target=$1 corpus="$dir/corpus/${1#fuzz_}" log="$dir/logs/$1.log"
  if [ ! -x "$dir/fuzz/$target" ]; then
    echo "skip $target: not built (the import needs libreadstat)"
    return 0
  fi
  mkdir -p "$corpus" "$dir/logs"
  cp -n tests/fuzz/seeds/"${1#fuzz_}"/* "$corpus"/ 2>/dev/null || true
  if "$dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$dir/logs/$target-" "$corpus" >"$log" 2>&1; then
    local runs cov
    runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    echo "ok   $target: $runs runs in $seconds s, $cov, corpus $(ls "$corpus" | wc -l) inputs"
  else
    echo "FAIL $target: see $log"
    tail -n 30 "$log"
    return 1
  fi
}

status=0
if [ "$jobs" -gt 1 ]; then
  pids=()
  for target in "${targets[@]}"; do
    run_target "$target" &
    pids+=($!)
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || status=1; done
  done
  while [ "$(jobs -rp | wc -l)" -gt 0 ]; do wait -n || status=1; done
else
  for target in "${targets[@]}"; do run_target "$target" || status=1; done
fi
exit $status
