#!/usr/bin/env bash
# End-to-end benchmark of korvel against its peers on one machine.
#
#   bench/run_bench.sh [MAPS COLS ROWS WINDOW [RUNS]]     (default: 30 1000 1000 7 3)
#
# Builds korvel (Release) and the micro-benchmarks, generates a deterministic
# series under $KORVEL_BENCH_DIR (default /tmp/korvel-bench) unless it is
# there already, then times, alternating run by run: korvel, a plain numpy
# script and a GDAL one (each only when installed: Debian's python3-numpy,
# python3-gdal). Reports wall time, peak memory, the korvel/peer ratios, the
# parse throughput of a load-only run and the micro-benchmarks' throughputs.
# Extra korvel options (for example --jobs=1) can be given in KORVEL_OPTIONS.
# Then times every --stat on the same series (with --min-valid half the
# window, so that cells with gaps are computed too).
set -euo pipefail
cd "$(dirname "$0")/.."
maps=${1:-30} cols=${2:-1000} rows=${3:-1000} window=${4:-7} runs=${5:-3}
build=build-bench
root=${KORVEL_BENCH_DIR:-/tmp/korvel-bench}
data=$root/${maps}x${cols}x${rows}
out=$root/out
python=/usr/bin/python3

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVEL_BUILD_BENCH=ON -DKORVEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

if [ ! -f "$data/in_$maps.asc" ]; then
  echo "generating $maps maps of ${cols}x${rows} in $data"
  mkdir -p "$data"
  "$build/bench/make_series" "$data/in_" "$maps" "$cols" "$rows"
fi
input_bytes=$(cat "$data"/in_*.asc | wc -c)
cells=$((maps * cols * rows))
echo "series: $maps maps of ${cols}x${rows}, window $window, $((input_bytes / 1048576)) MiB of text, $(nproc) hardware threads"
echo "memory budget (1.1 x input cells x 8 bytes + 64 MiB): $(( (cells * 88 / 10 + 64 * 1048576) / 1024 )) KB"

peers=(korvel)
if $python -c 'import numpy' 2>/dev/null; then peers+=(numpy); else echo "numpy: not installed (apt-get install python3-numpy)"; fi
if $python -c 'from osgeo import gdal' 2>/dev/null; then peers+=(gdal); else echo "gdal: not installed (apt-get install python3-gdal)"; fi

# Runs one tool on the series; prints "seconds kilobytes".
run_one() {
  local tool=$1
  rm -rf "$out" && mkdir -p "$out"
  local args=("$data/in_" 1 "$maps" .asc "$window" "$out/avg_" .asc)
  local cmd
  case $tool in
    korvel) cmd=("$build/korvel" ${KORVEL_OPTIONS:-} "${args[@]}") ;;
    numpy) cmd=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE $python bench/peer_numpy.py "${args[@]}") ;;
    gdal) cmd=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE $python bench/peer_gdal.py "${args[@]}") ;;
  esac
  /usr/bin/time -f "%e %M" -o "$root/time.txt" "${cmd[@]}" >/dev/null
  cat "$root/time.txt"
}

declare -A total_time peak_mem
for tool in "${peers[@]}"; do total_time[$tool]=0; peak_mem[$tool]=0; done
for run in $(seq 1 "$runs"); do
  line="run $run:"
  for tool in "${peers[@]}"; do
    read -r seconds kb < <(run_one "$tool")
    total_time[$tool]=$(awk -v a="${total_time[$tool]}" -v b="$seconds" 'BEGIN{print a+b}')
    (( kb > peak_mem[$tool] )) && peak_mem[$tool]=$kb
    line+="  $tool ${seconds}s ${kb}KB"
  done
  echo "$line"
done

echo
printf '%-8s %10s %12s %14s\n' tool "mean s" "peak KB" "korvel/tool"
for tool in "${peers[@]}"; do
  mean=$(awk -v t="${total_time[$tool]}" -v n="$runs" 'BEGIN{printf "%.2f", t/n}')
  ratio=$(awk -v k="${total_time[korvel]}" -v t="${total_time[$tool]}" 'BEGIN{printf "%.3f", k/t}')
  printf '%-8s %10s %12s %14s\n' "$tool" "$mean" "${peak_mem[$tool]}" "$ratio"
done

# Phases: a window longer than the series loads everything and writes nothing.
rm -rf "$out" && mkdir -p "$out"
/usr/bin/time -f "%e" -o "$root/time.txt" "$build/korvel" ${KORVEL_OPTIONS:-} "$data/in_" 1 "$maps" .asc $((maps + 1)) "$out/avg_" .asc >/dev/null
load=$(cat "$root/time.txt")
full=$(awk -v t="${total_time[korvel]}" -v n="$runs" 'BEGIN{print t/n}')
echo
awk -v b="$input_bytes" -v l="$load" -v f="$full" -v c="$cells" -v w="$window" -v m="$maps" -v cc="$((cols * rows))" 'BEGIN{
  outs = (m - w + 1) * cc;
  printf "korvel phases: load %.2f s (%.0f MB/s parsed, %.0f M values/s); average+write %.2f s (%.0f M values/s written)\n",
         l, b / l / 1e6, c / l / 1e6, f - l, outs / (f - l) / 1e6 }'

# Every statistic on the same series, against the mean (KORVEL_STATS=0 skips).
if [ "${KORVEL_STATS:-1}" != 0 ]; then
  echo
  printf '%-8s %s\n' "--stat" "seconds per run (korvel, $runs runs), mean, ratio to --stat=mean"
  declare -A stat_time
  for stat in mean sum min max range count median var std; do
    times=()
    for run in $(seq 1 "$runs"); do
      rm -rf "$out" && mkdir -p "$out"
      /usr/bin/time -f "%e" -o "$root/time.txt" "$build/korvel" ${KORVEL_OPTIONS:-} --stat=$stat --min-valid=$(( (window + 1) / 2 )) \
        "$data/in_" 1 "$maps" .asc "$window" "$out/avg_" .asc >/dev/null
      times+=("$(cat "$root/time.txt")")
    done
    stat_time[$stat]=$(printf '%s\n' "${times[@]}" | awk '{t+=$1} END{printf "%.3f", t/NR}')
    printf '%-8s %s  mean %s  x%s\n' "$stat" "${times[*]}" "${stat_time[$stat]}" \
      "$(awk -v a="${stat_time[$stat]}" -v b="${stat_time[mean]}" 'BEGIN{printf "%.2f", a/b}')"
  done
fi

echo
echo "micro-benchmarks (one thread):"
"$build/bench/korvel_bench" --benchmark_counters_tabular=true 2>/dev/null | grep -E '^(BM_|Benchmark|-)' || true
