#!/usr/bin/env bash
# Times a run through the window (offscreen) against the batch program on the
# benchmark export, alternating the two, and prints the best times and their
# ratio.
#
# Usage: scripts/bench-window.sh [BUILD_DIR]      (default: build)
# Environment: BENCH_DIR (default /tmp/spss2vornex-bench) holds BENCH.DAT and
# bench.spc as bench/run.sh makes them; WORK_DIR (default
# /tmp/spss2vornex-bench-window) is where the runs write, beside a hard link
# (or copy) of BENCH.DAT; BENCH_RUNS (default 3).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
source_dir=${BENCH_DIR:-/tmp/spss2vornex-bench}
work=${WORK_DIR:-/tmp/spss2vornex-bench-window}
runs=${BENCH_RUNS:-3}
[ -f "$source_dir/BENCH.DAT" ] && [ -f "$source_dir/bench.spc" ] || {
  echo "bench-window.sh: run bench/run.sh first to make $source_dir/BENCH.DAT and bench.spc" >&2
  exit 2
}
mkdir -p "$work"
cd "$work"
[ -f BENCH.DAT ] || ln "$source_dir/BENCH.DAT" BENCH.DAT 2>/dev/null || cp "$source_dir/BENCH.DAT" BENCH.DAT
cp "$source_dir/bench.spc" bench.spc

clean() { rm -f -- benchproj.* BENCHPROJ.*; }
now() { date +%s.%N; }
best_batch=""
best_window=""
for ((i = 1; i <= runs; i++)); do
  clean
  t0=$(now)
  "$build/batch/spss2vornex-batch" --project benchproj bench.spc >batch.out 2>batch.err || true
  t1=$(now)
  b=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
  clean
  t0=$(now)
  QT_QPA_PLATFORM=offscreen "$build/tests/app/window_bench" bench.spc benchproj >window.out 2>window.err
  t1=$(now)
  w=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
  echo "run $i: batch $b s, window $w s"
  cmp -s batch.out window.out || { echo "bench-window.sh: the two reports differ" >&2; exit 1; }
  best_batch=$(awk -v a="${best_batch:-$b}" -v b="$b" 'BEGIN { print (b < a) ? b : a }')
  best_window=$(awk -v a="${best_window:-$w}" -v b="$w" 'BEGIN { print (b < a) ? b : a }')
done
clean
awk -v b="$best_batch" -v w="$best_window" 'BEGIN {
  printf "batch seconds:   %.3f\nwindow seconds:  %.3f\nratio window/batch: %.2f\n", b, w, w / b }'
