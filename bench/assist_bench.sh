#!/usr/bin/env bash
# Benchmark of the definition assistant against the conversion run.
#
# Usage: bench/assist_bench.sh [BUILD_DIR]          (default: build)
#
# Environment:
#   BENCH_DIR         work folder (default: /tmp/spss2vornex-bench); BENCH.DAT
#                     is generated there once, as bench/run.sh does
#   BENCH_RUNS        timed runs per command, best wall time is reported (default: 3)
#   BENCH_WIDE_VARS   variables of the wide export (default: 5000)
#   BENCH_WIDE_CASES  cases the wide export stands for (default: 1000000)
#   BENCH_WIDE_REAL   cases of it that are written (default: 2000); the rest of
#                     the file is a sparse hole of the same size, which the
#                     first-record checks never reach
#
# Times, on BENCH.DAT (1,000,000 cases x 50 variables) with its File Info
# export: the conversion run (bench/run.sh's definition), --describe, --check
# of the same definition and --check of the draft of all usable variables;
# then the checks that read only the first record, for a definition of 58
# variables against the wide export. Prints best wall times, their ratios and
# the peak resident set size of each.
set -euo pipefail

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-build}" 2>/dev/null && pwd) || {
    echo "assist_bench.sh: build folder '${1:-build}' not found" >&2
    exit 2
}
work=${BENCH_DIR:-/tmp/spss2vornex-bench}
runs=${BENCH_RUNS:-3}
wide_vars=${BENCH_WIDE_VARS:-5000}
wide_cases=${BENCH_WIDE_CASES:-1000000}
wide_real=${BENCH_WIDE_REAL:-2000}

batch="$build_dir/batch/spss2vornex-batch"
generator="$build_dir/bench/spss2vornex-bench-generate"
category_bench="$build_dir/bench/spss2vornex-bench-category"
check_lines="$build_dir/bench/spss2vornex-bench-check-lines"
for program in "$batch" "$generator" "$category_bench" "$check_lines"; do
    [[ -x "$program" ]] || { echo "assist_bench.sh: $program not found; build the project first" >&2; exit 2; }
done
[[ -x /usr/bin/time ]] || { echo "assist_bench.sh: /usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

mkdir -p "$work"
cd "$work"
if [[ ! -f BENCH.DAT ]]; then
    echo "generating BENCH.DAT (1000000 cases x 50 variables)"
    "$generator" BENCH.DAT.part --cases 1000000 --vars 50 --seed 1
    mv BENCH.DAT.part BENCH.DAT
fi
"$category_bench" --vars 50 --layout older --export BENCH.TXT
printf '%s\r\n' 'BENCH' '5' 'V1 1 5' 'V2 18 30 45 65 90' 'V3 0 1000.5 50000 250000 1000000' \
    'V4 0 25000000 50000000 75000000 100000000' 'V5 10 25.5 50 75 100' > bench.spc
"$batch" --draft BENCH > draft.spc

logs="$work/assist-logs"
mkdir -p "$logs"
now() { date +%s.%N; }

# timed NAME COMMAND...: best wall time of the runs and the largest peak RSS;
# the run's outputs are removed before each of its runs.
declare -A best rss
timed() {
    local name=$1
    shift
    best[$name]=""
    rss[$name]=0
    for ((i = 1; i <= runs; i++)); do
        rm -f benchproj.*
        local t0 t1 t kib
        t0=$(now)
        /usr/bin/time -v -o "$logs/$name.time" "$@" >"$logs/$name.out" 2>"$logs/$name.err" || true
        t1=$(now)
        t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
        kib=$(awk -F': *' '/Maximum resident set size/ { print $2 }' "$logs/$name.time")
        echo "$name run $i: $t s, max RSS $kib KiB"
        if [[ -z "${best[$name]}" ]] || awk -v a="$t" -v b="${best[$name]}" 'BEGIN { exit !(a < b) }'; then
            best[$name]=$t
        fi
        if ((kib > ${rss[$name]})); then rss[$name]=$kib; fi
    done
}

# Nothing but the run writes in the folder.
listing() { find . -maxdepth 1 -type f ! -name 'benchproj.*' -printf '%P %s %T@\n' | LC_ALL=C sort; }
before=$(listing)
timed run "$batch" --project benchproj bench.spc
timed describe "$batch" --describe BENCH.DAT
timed check "$batch" --check --project benchproj bench.spc
timed check_draft "$batch" --check --project benchproj draft.spc
rm -f benchproj.*
after=$(listing)
[[ "$before" == "$after" ]] || echo "assist_bench.sh: the folder changed other than by the run" >&2
echo "check of bench.spc: $(tail -n 1 "$logs/check.out"); of draft.spc ($(sed -n 2p draft.spc | tr -d '\r') variables): $(tail -n 1 "$logs/check_draft.out")"

# --- the wide export: the first record only ------------------------------------
wide_size=0
[[ -f WIDE.DAT ]] && wide_size=$(stat -c %s WIDE.DAT)
if [[ ! -f WIDE.stamp || "$(cat WIDE.stamp)" != "$wide_vars $wide_cases $wide_real" ]]; then
    echo "generating WIDE.DAT ($wide_real cases x $wide_vars variables, standing for $wide_cases cases)"
    "$generator" WIDE.DAT --cases "$wide_real" --vars "$wide_vars" --seed 2
    real_size=$(stat -c %s WIDE.DAT)
    truncate -s $((real_size / wide_real * wide_cases)) WIDE.DAT
    echo "$wide_vars $wide_cases $wide_real" > WIDE.stamp
fi
wide_size=$(stat -c %s WIDE.DAT)
{
    printf 'WIDE\r\n58\r\n'
    for ((k = 0; k < 58; k++)); do
        j=$((1 + k * (wide_vars - 1) / 57))
        case $(((j - 1) % 10)) in
            0) printf 'V%d 1 5\r\n' "$j" ;;
            1) printf 'V%d 18 30 45 65 90\r\n' "$j" ;;
            *) printf 'V%d 0 10 20 30 40\r\n' "$j" ;;
        esac
    done
} > wide.spc
/usr/bin/time -v -o "$logs/wide.time" "$check_lines" wide.spc --project wideproj --runs 20 | tee "$logs/wide.out"
wide_rss=$(awk -F': *' '/Maximum resident set size/ { print $2 }' "$logs/wide.time")

awk -v run="${best[run]}" -v describe="${best[describe]}" -v check="${best[check]}" \
    -v check_draft="${best[check_draft]}" -v r1="${rss[run]}" -v r2="${rss[describe]}" -v r3="${rss[check]}" \
    -v r4="${rss[check_draft]}" -v r5="$wide_rss" -v wide="$wide_size" 'BEGIN {
    printf "run seconds:                 %.3f  (peak RSS %.1f MiB)\n", run, r1 / 1024
    printf "describe seconds:            %.3f  (peak RSS %.1f MiB)\n", describe, r2 / 1024
    printf "check seconds:               %.3f  (peak RSS %.1f MiB)\n", check, r3 / 1024
    printf "check of the draft seconds:  %.3f  (peak RSS %.1f MiB)\n", check_draft, r4 / 1024
    printf "ratio describe/run:          %.2f\n", describe / run
    printf "ratio check/describe:        %.2f (draft %.2f)\n", check / describe, check_draft / describe
    printf "wide export:                 %.1f GB; first-record checks peak RSS %.1f MiB\n", wide / 1e9, r5 / 1024
}'
