#!/usr/bin/env bash
# The analysis pass with and without stack realignment in every function, side by side: runs
# analysis_bench and analysis_bench_realigned in turn, ROUNDS times each (default 3), and prints
# the median CPU time of each condition and of the conversions to 24 bits for both.
#
#   bench/stack_realign_bench.sh NATIVE_BUILD_DIR [ROUNDS]
set -eu
build_dir=$1 rounds=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for round in $(seq 1 "$rounds"); do
  for variant in analysis_bench analysis_bench_realigned; do
    "$build_dir/bench/$variant" --benchmark_filter='AnalysisCondition|ConvertTo24' \
      --benchmark_out="$work/out.csv" --benchmark_out_format=csv >/dev/null 2>&1
    grep '^"BM_' "$work/out.csv" >>"$work/$variant.csv"
  done
done
# "name",iterations,real_time,cpu_time,...: the median cpu_time per name and variant.
for variant in analysis_bench analysis_bench_realigned; do
  sort -t, -k1,1 -k4,4g "$work/$variant.csv" |
    awk -F, -v v="$variant" '{n[$1]++; t[$1, n[$1]] = $4}
      END {for (k in n) printf "%-40s %-26s %8.2f ms\n", k, v, t[k, int((n[k] + 1) / 2)]}'
done | sort
