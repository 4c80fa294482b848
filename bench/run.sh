#!/usr/bin/env bash
# Throughput benchmark of the batch converter against a plain file copy.
#
# Usage: bench/run.sh [BUILD_DIR]          (default: build)
#
# Environment:
#   BENCH_DIR    work folder (default: /tmp/spss2vornex-bench); BENCH.DAT is
#                generated there once and reused by later runs
#   BENCH_RUNS   timed runs per command, best wall time is reported (default: 3)
#   BENCH_CASES  cases of a newly generated BENCH.DAT (default: 1000000)
#   BENCH_VARS   variables of a newly generated BENCH.DAT (default: 50)
#   BENCH_ARGS   further options of the batch program, e.g. "--mplus 1 --mlwin 1"
#                (default: none); with transfers, the time of each is shown
#   CXX          compiler for the generator when BUILD_DIR does not hold it
#
# Prints the best wall time of `cat BENCH.DAT > copy.dat`, the best wall time
# of the batch program on bench.spc (data copy, project files and the category
# phase on a generated BENCH.TXT), their ratio and the batch program's peak
# resident set size.
set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${1:-build}
build_dir=$(cd "$build_dir" 2>/dev/null && pwd) || {
    echo "run.sh: build folder '${1:-build}' not found" >&2
    exit 2
}
work=${BENCH_DIR:-/tmp/spss2vornex-bench}
runs=${BENCH_RUNS:-3}
cases=${BENCH_CASES:-1000000}
vars=${BENCH_VARS:-50}
read -r -a extra_args <<<"${BENCH_ARGS:-}"

batch="$build_dir/batch/spss2vornex-batch"
if [[ ! -x "$batch" ]]; then
    echo "run.sh: $batch not found; build the project first" >&2
    exit 2
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "run.sh: /usr/bin/time is missing; it is needed for the peak memory figure." >&2
    echo "        Install it with: sudo apt-get install time" >&2
    exit 2
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
cd "$work"

# --- input -----------------------------------------------------------------
if [[ ! -f BENCH.DAT ]]; then
    generator="$build_dir/bench/spss2vornex-bench-generate"
    if [[ ! -x "$generator" ]]; then
        generator="$work/generate_export"
        echo "building the generator with ${CXX:-g++}"
        "${CXX:-g++}" -std=c++20 -O2 -o "$generator" "$script_dir/generate_export.cpp"
    fi
    echo "generating BENCH.DAT ($cases cases x $vars variables)"
    "$generator" BENCH.DAT.part --cases "$cases" --vars "$vars" --seed 1
    mv BENCH.DAT.part BENCH.DAT
fi
# Its File Info export in the older layout, so that the run includes the
# category phase.
category_bench="$build_dir/bench/spss2vornex-bench-category"
if [[ -x "$category_bench" ]]; then
    "$category_bench" --vars "$vars" --layout older --export BENCH.TXT
else
    echo "run.sh: $category_bench not found; the run goes without a File Info export" >&2
    rm -f BENCH.TXT
fi

printf '%s\r\n' \
    'BENCH' \
    '5' \
    'V1 1 5' \
    'V2 18 30 45 65 90' \
    'V3 0 1000.5 50000 250000 1000000' \
    'V4 0 25000000 50000000 75000000 100000000' \
    'V5 10 25.5 50 75 100' \
    > bench.spc

input_bytes=$(stat -c %s BENCH.DAT)
echo "input: $work/BENCH.DAT, $input_bytes bytes"

logs="$work/logs"
mkdir -p "$logs"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a) ? b : a }'; }

# Outputs of an earlier invocation, listed by it, are removed first.
if [[ -f "$logs/outputs.list" ]]; then
    while IFS= read -r entry; do
        if [[ -n "$entry" && "$entry" != */* ]]; then rm -rf -- "./$entry"; fi
    done < "$logs/outputs.list"
    rm -f "$logs/outputs.list"
fi
rm -f copy.dat

list_entries() { find . -mindepth 1 -maxdepth 1 -printf '%P\n' | LC_ALL=C sort; }
# Entries of the work folder that are new since the baseline: the batch program's outputs.
new_entries() { LC_ALL=C comm -13 <(printf '%s\n' "$baseline") <(list_entries); }
clean_outputs() {
    local entry
    while IFS= read -r entry; do
        if [[ -n "$entry" ]]; then rm -rf -- "./$entry"; fi
    done < <(new_entries)
}

# --- plain copy ----------------------------------------------------------------
best_cat=""
for ((i = 1; i <= runs; i++)); do
    rm -f copy.dat
    t0=$(now)
    cat BENCH.DAT > copy.dat
    t1=$(now)
    t=$(elapsed "$t0" "$t1")
    echo "cat run $i: $t s"
    best_cat=${best_cat:-$t}
    best_cat=$(smaller "$best_cat" "$t")
done
rm -f copy.dat
baseline=$(list_entries)

# --- batch program ---------------------------------------------------------------
best_batch=""
peak_kib=0
for ((i = 1; i <= runs; i++)); do
    clean_outputs
    set +e
    t0=$(now)
    # Every notice is stamped when it is shown: the transfers' times lie between them.
    /usr/bin/time -v -o "$logs/time.$i" \
        "$batch" --project benchproj "${extra_args[@]}" bench.spc > "$logs/batch.$i.out" \
        2> >(while IFS= read -r line; do echo "$(now) $line"; done > "$logs/batch.$i.err")
    status=$?
    t1=$(now)
    wait
    set -e
    t=$(elapsed "$t0" "$t1")
    rss=$(awk -F': *' '/Maximum resident set size/ { print $2 }' "$logs/time.$i" 2>/dev/null || true)
    rss=${rss:-0}
    echo "batch run $i: $t s, exit status $status, max RSS $rss KiB"
    if [[ $status -ne 0 && $status -ne 1 ]]; then
        echo "  unexpected exit status; see $logs/batch.$i.err" >&2
    fi
    awk -v t0="$t0" '
        / Mplus project file ready$/ { mplus = $1 }
        / Mplus data ready\./ && mplus { printf "  Mplus data transfer: %.3f s\n", $1 - mplus }
        / Transfer to MLwiN not ready$/ { mlwin = $1 }
        / MLwiN data ready\./ && mlwin { printf "  MLwiN transfer:      %.3f s\n", $1 - mlwin }
        NR == 1 { printf "  first notice after:  %.3f s\n", $1 - t0 }' "$logs/batch.$i.err"
    best_batch=${best_batch:-$t}
    best_batch=$(smaller "$best_batch" "$t")
    if ((rss > peak_kib)); then peak_kib=$rss; fi
done
new_entries > "$logs/outputs.list" || true
echo "outputs of the last run are kept in $work (removed by the next invocation); logs in $logs"

normal_bench="$build_dir/bench/spss2vornex-bench-normal"
if [[ -x "$normal_bench" ]]; then "$normal_bench"; fi

# --- summary ---------------------------------------------------------------------
awk -v c="$best_cat" -v b="$best_batch" -v k="$peak_kib" -v s="$status" -v n="$input_bytes" 'BEGIN {
    printf "cat seconds:        %.3f\n", c
    printf "batch seconds:      %.3f\n", b
    if (c > 0) printf "ratio batch/cat:    %.2f\n", b / c
    else       printf "ratio batch/cat:    n/a (cat time is 0)\n"
    printf "peak RSS:           %.1f MiB\n", k / 1024
    printf "batch exit status:  %d (last run)\n", s
    if (b > 0) printf "batch throughput:   %.1f MB/s\n", n / b / 1e6
}'
