#!/usr/bin/env bash
# Benchmark of the .sav import against the run on the pair it writes.
#
# Usage: bench/import_bench.sh [BUILD_DIR]          (default: build)
#
# Environment:
#   BENCH_DIR    work folder (default: /tmp/spss2vornex-bench); BENCH.DAT is
#                taken from there (bench/run.sh generates it) and bench.sav is
#                written once from it with PSPP into BENCH_DIR/import
#   BENCH_RUNS   timed runs per command, best wall time is reported (default: 2)
#
# Prints the best wall time of `spss2vornex-batch --import bench.sav`, of the
# run on the imported pair, of `pspp-convert bench.sav` to CSV and, when it is
# installed, of the ReadStat command-line tool (`readstat bench.sav x.csv`),
# and the ratios of the tools' times to the import's.
set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-build}" 2>/dev/null && pwd) || {
    echo "import_bench.sh: build folder '${1:-build}' not found" >&2
    exit 2
}
work=${BENCH_DIR:-/tmp/spss2vornex-bench}
runs=${BENCH_RUNS:-2}
batch="$build_dir/batch/spss2vornex-batch"
[[ -x "$batch" ]] || { echo "import_bench.sh: $batch not found; build the project first" >&2; exit 2; }
command -v pspp >/dev/null || { echo "import_bench.sh: pspp is needed (apt-get install pspp)" >&2; exit 2; }

mkdir -p "$work"
work=$(cd "$work" && pwd)
if [[ ! -f "$work/BENCH.DAT" ]]; then
    echo "BENCH.DAT is missing in $work: generating it with bench/run.sh's generator"
    generator="$build_dir/bench/spss2vornex-bench-generate"
    [[ -x "$generator" ]] || { echo "import_bench.sh: $generator not found" >&2; exit 2; }
    "$generator" "$work/BENCH.DAT.part" --cases 1000000 --vars 50 --seed 1
    mv "$work/BENCH.DAT.part" "$work/BENCH.DAT"
fi
mkdir -p "$work/import"
cd "$work/import"

# --- the system file: PSPP reads the export (decimal commas) ----------------
if [[ ! -f bench.sav ]]; then
    vars=$(head -n 1 ../BENCH.DAT | tr -d '\r' | tr '\t' '\n' | awk '{ printf " %s F20.0", $1 }')
    {
        echo "SET DECIMAL=COMMA."
        echo "GET DATA /TYPE=TXT /FILE='../BENCH.DAT' /ARRANGEMENT=DELIMITED /DELIMITERS='\\t'"
        echo "  /FIRSTCASE=2 /VARIABLES=$vars."
        echo "SAVE OUTFILE='bench.sav.part'."
    } > make.sps
    echo "writing bench.sav with PSPP"
    t0=$(date +%s.%N)
    pspp make.sps > make.log 2>&1 || { echo "pspp failed; see $work/import/make.log" >&2; exit 2; }
    t1=$(date +%s.%N)
    mv bench.sav.part bench.sav
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "PSPP took %.1f s\n", b - a }'
fi
echo "input: $work/import/bench.sav, $(stat -c %s bench.sav) bytes"

printf '%s\r\n' 'bench' '5' 'V1 1 5' 'V2 18 30 45 65 90' 'V3 0 1000.5 50000 250000 1000000' \
    'V4 0 25000000 50000000 75000000 100000000' 'V5 10 25.5 50 75 100' > bench.spc

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (b < a) ? b : a }'; }

best_import=""
# The outputs of an earlier import are removed first, as the run's are below.
for ((i = 1; i <= runs; i++)); do
    rm -f bench.DAT bench.TXT
    t0=$(now)
    "$batch" --import bench.sav > import.out 2> import.err
    t1=$(now)
    t=$(elapsed "$t0" "$t1")
    echo "import run $i: $t s"
    best_import=$(smaller "${best_import:-$t}" "$t")
done
cat import.out

best_run=""
for ((i = 1; i <= runs; i++)); do
    rm -f benchproj.*
    t0=$(now)
    set +e
    "$batch" --project benchproj bench.spc > run.out 2> run.err
    status=$?
    set -e
    t1=$(now)
    t=$(elapsed "$t0" "$t1")
    echo "run $i: $t s, exit status $status"
    best_run=$(smaller "${best_run:-$t}" "$t")
done

# The tools users have for the same job, writing CSV of the same file.
best_tool() {  # best_tool NAME COMMAND...: the best wall time of the command
    local name=$1 best="" t0 t1 t
    shift
    for ((i = 1; i <= runs; i++)); do
        rm -f tool.csv
        t0=$(now)
        "$@" > tool.out 2>&1 || { echo "$name failed; see $work/import/tool.out" >&2; return 1; }
        t1=$(now)
        t=$(elapsed "$t0" "$t1")
        echo "$name run $i: $t s" >&2
        best=$(smaller "${best:-$t}" "$t")
    done
    echo "$best"
}
best_pspp=$(best_tool pspp-convert pspp-convert bench.sav tool.csv)
best_readstat=""
if command -v readstat >/dev/null; then
    best_readstat=$(best_tool readstat readstat bench.sav tool.csv)
else
    echo "the ReadStat command-line tool is not installed: not timed"
fi
rm -f tool.csv

awk -v i="$best_import" -v r="$best_run" -v p="$best_pspp" -v s="$best_readstat" 'BEGIN {
    printf "import seconds:        %.3f\n", i
    printf "run seconds:           %.3f\n", r
    if (r > 0) printf "ratio import/run:      %.2f\n", i / r
    printf "pspp-convert seconds:  %.3f (%.1f times the import)\n", p, p / i
    if (s != "") printf "readstat seconds:      %.3f (%.1f times the import)\n", s, s / i
}'
