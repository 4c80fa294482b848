#!/usr/bin/env bash
# The data copy of one export in three encodings: 8-bit (Windows-1252), UTF-8
# with its byte order mark, as SPSS writes in Unicode mode, and UTF-16. Each
# run converts the same cases (every hundredth case holds a text with an
# umlaut, which the copy writes as missing), so the VORNEX data files must be
# byte-identical; the script checks that and prints the median wall time of
# each encoding and its ratio to the 8-bit run, the runs alternating.
#
# Usage: bench/encoding_bench.sh [BUILD_DIR]   (default: build)
# Environment: BENCH_DIR (default /tmp/spss2vornex-bench), BENCH_RUNS (default
# 5), BENCH_CASES and BENCH_VARS for a newly generated BENCH.DAT (default
# 1000000 and 50), as bench/run.sh.
set -euo pipefail
script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=$(cd "${1:-build}" && pwd)
batch="$build_dir/batch/spss2vornex-batch"
work=${BENCH_DIR:-/tmp/spss2vornex-bench}
runs=${BENCH_RUNS:-5}
mkdir -p "$work"
cd "$work"

if [[ ! -f BENCH.DAT ]]; then
    "$build_dir/bench/spss2vornex-bench-generate" BENCH.DAT.part --cases "${BENCH_CASES:-1000000}" \
        --vars "${BENCH_VARS:-50}" --seed 1
    mv BENCH.DAT.part BENCH.DAT
fi
if [[ ! -f ENC8.DAT || BENCH.DAT -nt ENC8.DAT ]]; then
    LC_ALL=C awk 'BEGIN { FS = OFS = "\t" } NR > 1 && NR % 100 == 0 { $3 = "Z\374rich" } { print }' BENCH.DAT > ENC8.DAT
    { printf '\357\273\277'; iconv -f CP1252 -t UTF-8 ENC8.DAT; } > ENCU8.DAT
    iconv -f CP1252 -t UTF-16 ENC8.DAT > ENCU16.DAT
fi
rm -f ENC8.TXT ENCU8.TXT ENCU16.TXT

spc() {  # SPSSNAME DEFINITION -> the SPC file of that export
    local out="enc_$1_$2.spc"
    case $2 in
        narrow) printf '%s\r\n' "$1" 5 'V1 1 5' 'V2 18 30 45 65 90' 'V3 0 1000.5 50000 250000 1000000' \
                    'V4 0 25000000 50000000 75000000 100000000' 'V5 10 25.5 50 75 100' > "$out" ;;
        wide) {
            printf '%s\r\n' "$1" 50
            for ((j = 1; j <= 50; j++)); do printf 'V%d 0 10 100 1000\r\n' "$j"; done
        } > "$out" ;;
    esac
    echo "$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for definition in narrow wide; do
    declare -A times=()
    for ((r = 1; r <= runs; r++)); do
        for export in ENC8 ENCU8 ENCU16; do
            file=$(spc "$export" "$definition")
            start=$(date +%s.%N)
            "$batch" --project "p_${export}_$definition" "$file" > "log_$export.txt" 2>&1 || {
                echo "the run of $file failed:"; tail -5 "log_$export.txt"; exit 1; }
            end=$(date +%s.%N)
            times[$export]+="$(echo "$end - $start" | bc) "
        done
    done
    for export in ENCU8 ENCU16; do
        cmp -s "p_ENC8_$definition.DAT" "p_${export}_$definition.DAT" ||
            { echo "$export gives another VORNEX data file than ENC8"; exit 1; }
    done
    m8=$(tr ' ' '\n' <<<"${times[ENC8]}" | grep . | median)
    for export in ENC8 ENCU8 ENCU16; do
        m=$(tr ' ' '\n' <<<"${times[$export]}" | grep . | median)
        printf '%-6s %-7s %10s bytes  median %6.3f s  ratio %5.2f\n' "$definition" "$export" \
            "$(stat -c %s "$export.DAT")" "$m" "$(echo "$m / $m8" | bc -l)"
    done
    unset times
done
