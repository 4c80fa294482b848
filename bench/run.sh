#!/usr/bin/env bash
# Throughput benchmark of the batch converter against a plain file copy, with
# and without the Mplus and MLwiN transfers.
#
# Usage: bench/run.sh [BUILD_DIR]          (default: build)
#
# Environment:
#   BENCH_DIR        work folder (default: /tmp/spss2vornex-bench); BENCH.DAT is
#                    generated there once and reused by later runs
#   BENCH_RUNS       timed runs per command; the median wall time is reported,
#                    and the best (default: 5)
#   BENCH_CASES      cases of a newly generated BENCH.DAT (default: 1000000)
#   BENCH_VARS       variables of a newly generated BENCH.DAT (default: 50)
#   BENCH_ARGS       further options of every batch run (default: none)
#   BENCH_TRANSFERS  the options of the runs with transfers
#                    (default: "--mplus 1 --mlwin 1 --seed 7")
#   BENCH_MD5        when 1, prints the md5 sums of the transfers' files of each
#                    definition's last run
#   CXX              compiler for the generator when BUILD_DIR does not hold it
#
# Two definitions are run on BENCH.DAT: narrow.spc (5 variables) and wide.spc
# (every variable of the export, at most 58). For each, the batch program runs
# without transfers and with them, the runs alternating. It prints the wall
# time of `cat BENCH.DAT > copy.dat`, of each run (with the time of each
# transfer, from the notices' time stamps, and its cost per value written:
# cases times project variables), the medians, the ratios and the peak
# resident set size. With both data files chosen one pass writes the two: the
# Mplus data's time is then that of both files, and the MLwiN's that of
# putting its file in place.
set -euo pipefail
script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build_dir=${1:-build}
build_dir=$(cd "$build_dir" 2>/dev/null && pwd) || {
    echo "run.sh: build folder '${1:-build}' not found" >&2
    exit 2
}
work=${BENCH_DIR:-/tmp/spss2vornex-bench}
runs=${BENCH_RUNS:-5}
cases=${BENCH_CASES:-1000000}
vars=${BENCH_VARS:-50}
read -r -a extra_args <<<"${BENCH_ARGS:-}"
read -r -a transfer_args <<<"${BENCH_TRANSFERS:---mplus 1 --mlwin 1 --seed 7}"

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
    > narrow.spc
# Every variable of the export, with bounds that suit its kind (see
# generate_export.cpp).
bounds=('1 5' '18 30 45 65 90' '0 1000.5 50000 250000 1000000' '0 25000000 50000000 75000000 100000000'
        '10 25.5 50 75 100' '-10000 -1000 0 1000 10000' '1900 1950 2000 2025' '10000000 50000000 100000000'
        '0 0.25 0.5 0.75 1' '-1 0 1000 100000 1000000')
wide_vars=$(awk -F'\t' 'NR == 1 { print NF; exit }' BENCH.DAT)
if ((wide_vars > 58)); then wide_vars=58; fi
{
    printf '%s\r\n' 'BENCH' "$wide_vars"
    for ((j = 1; j <= wide_vars; j++)); do printf 'V%d %s\r\n' "$j" "${bounds[$(((j - 1) % 10))]}"; done
} > wide.spc

input_bytes=$(stat -c %s BENCH.DAT)
echo "input: $work/BENCH.DAT, $input_bytes bytes"

logs="$work/logs"
mkdir -p "$logs"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
# The median and the best of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) printf "%.3f", v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
best() { sort -g | head -n 1; }

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
: > "$logs/cat.times"
for ((i = 1; i <= runs; i++)); do
    rm -f copy.dat
    t0=$(now)
    cat BENCH.DAT > copy.dat
    t1=$(now)
    t=$(elapsed "$t0" "$t1")
    echo "cat run $i: $t s"
    echo "$t" >> "$logs/cat.times"
done
rm -f copy.dat
cat_median=$(median < "$logs/cat.times")
baseline=$(list_entries)

# --- batch program ---------------------------------------------------------------
peak_kib=0
# One timed run: definition, label, then the further options. Appends the wall
# time to $logs/<definition>.<label>.times and each transfer's time to
# $logs/<definition>.mplus.times and .mlwin.times.
timed_run() {
    local spc=$1 label=$2
    shift 2
    local name=${spc%.spc}
    local log="$logs/$name.$label.$i"
    clean_outputs
    set +e
    t0=$(now)
    # Every notice is stamped when it is shown: the transfers' times lie between them.
    /usr/bin/time -v -o "$log.time" \
        "$batch" --project "${name}proj" "${extra_args[@]}" "$@" "$spc" > "$log.out" \
        2> >(while IFS= read -r line; do echo "$(now) $line"; done > "$log.err")
    status=$?
    t1=$(now)
    wait
    set -e
    t=$(elapsed "$t0" "$t1")
    rss=$(awk -F': *' '/Maximum resident set size/ { print $2 }' "$log.time" 2>/dev/null || true)
    rss=${rss:-0}
    if ((rss > peak_kib)); then peak_kib=$rss; fi
    echo "$t" >> "$logs/$name.$label.times"
    case_count=$(awk '/ cases found on spss file$/ { print $1 }' "$log.out")
    local line project_vars
    project_vars=$(awk 'NR == 2 { print $1 + 0 }' "$spc")
    line=$(awk -v values="$((${case_count:-0} * project_vars))" -v mplus_log="$logs/$name.mplus.times" \
               -v mlwin_log="$logs/$name.mlwin.times" '
        function cost(s) { return values > 0 ? sprintf("%.3f s, %.1f ns/value", s, s * 1e9 / values) : sprintf("%.3f s", s) }
        / Mplus project file ready$/ { mplus = $1 }
        / Mplus data ready\./ && mplus { s = $1 - mplus; out = out "; Mplus data " cost(s); print s >> mplus_log }
        / Transfer to MLwiN not ready$/ { mlwin = $1 }
        / MLwiN data ready\./ && mlwin { s = $1 - mlwin; out = out "; MLwiN " cost(s); print s >> mlwin_log }
        END { print out }' "$log.err")
    echo "$name $label run $i: $t s, exit status $status, max RSS $rss KiB$line"
    if [[ $status -ne 0 ]]; then
        echo "  unexpected exit status; see $log.err" >&2
    fi
}

summary=()
for spc in narrow.spc wide.spc; do
    name=${spc%.spc}
    rm -f "$logs/$name".*.times
    for ((i = 1; i <= runs; i++)); do
        timed_run "$spc" plain
        timed_run "$spc" transfers "${transfer_args[@]}"
    done
    if [[ "${BENCH_MD5:-0}" == 1 ]]; then
        (cd "$work" && md5sum "${name}proj".inp "${name}proj".mpd "${name}proj".mln 2>/dev/null || true)
    fi
    project_vars=$(awk 'NR == 2 { print $1 + 0 }' "$spc")
    plain=$(median < "$logs/$name.plain.times")
    with=$(median < "$logs/$name.transfers.times")
    mplus=$(median < "$logs/$name.mplus.times" 2>/dev/null || echo n/a)
    mlwin=$(median < "$logs/$name.mlwin.times" 2>/dev/null || echo n/a)
    summary+=("$(awk -v n="$name" -v v="$project_vars" -v r="$runs" -v p="$plain" -v w="$with" -v bp="$(best < "$logs/$name.plain.times")" \
        -v bw="$(best < "$logs/$name.transfers.times")" -v m="$mplus" -v l="$mlwin" -v c="$cat_median" -v k="${case_count:-0}" 'BEGIN {
        printf "%s (%d variables), medians of %d runs:\n", n, v, r
        printf "  without transfers:  %.3f s (best %.3f), batch/cat %.2f\n", p, bp, (c > 0 ? p / c : 0)
        printf "  with transfers:     %.3f s (best %.3f), batch/cat %.2f\n", w, bw, (c > 0 ? w / c : 0)
        printf "  with / without:     %.2f\n", (p > 0 ? w / p : 0)
        if (m != "n/a" && k > 0) printf "  Mplus data:         %.3f s, %.1f ns per value written\n", m, m * 1e9 / (k * v)
        if (l != "n/a" && k > 0) printf "  MLwiN data:         %.3f s, %.1f ns per value written\n", l, l * 1e9 / (k * v)
    }')")
done
new_entries > "$logs/outputs.list" || true
echo "outputs of the last run are kept in $work (removed by the next invocation); logs in $logs"

normal_bench="$build_dir/bench/spss2vornex-bench-normal"
if [[ -x "$normal_bench" ]]; then "$normal_bench"; fi

# --- summary ---------------------------------------------------------------------
printf 'cat seconds:        %s (median)\n' "$cat_median"
for block in "${summary[@]}"; do echo "$block"; done
awk -v k="$peak_kib" -v n="$input_bytes" 'BEGIN { printf "peak RSS:           %.1f MiB\ninput:              %d bytes\n", k / 1024, n }'
