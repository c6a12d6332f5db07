#!/usr/bin/env bash
# The render tool's whole-process speed against the scalar restatement of the rules, for
# each effect and path: the processor time (user and system) of `glimmerhex-render --bench`
# over TICKS ticks less that of a 1-tick run, a tick's share of it, in ROUNDS rounds that
# take every build, path and effect in turn; the median and the best of the rounds. The
# yardstick is tick_bench's scalar restatement (µs a tick of CPU time, Native) from the
# first build's tick_bench, the best of two runs. Seed 2026, palette 19, Native, the same
# ticks as tick_bench. Everything runs pinned to one processor (the last one this script may
# use). Run by hand; it prints a table and judges nothing.
# Usage: render_measure.sh TICK_BENCH GLIMMERHEX_RENDER [GLIMMERHEX_RENDER ...]
#        (ROUNDS=5 TICKS=20000 PATHS="sse2 avx2" in the environment)
set -uo pipefail
tick_bench=$1
shift
renders=("$@")
rounds=${ROUNDS:-5} ticks=${TICKS:-20000} paths=${PATHS:-"sse2 avx2"}
cpu=$(awk '/^Cpus_allowed_list/ { n = split($2, a, /[-,]/); print a[n] }' /proc/self/status)
taskset -cp "$cpu" $$ >/dev/null # this script and all it starts
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Processor seconds of one run, to the microsecond (time(1) counts in hundredths, a
# twentieth of a tick's cost over 20,000 ticks).
seconds() {
  python3 -c '
import os, subprocess, sys
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL)
_, status, usage = os.wait4(child.pid, 0)
sys.exit(1) if status else print(usage.ru_utime + usage.ru_stime)' \
    env GLIMMERHEX_SIMD="$2" "$1" --seed 2026 --effect "$3" --palette 19 --ticks "$4" --bench
}

for effect in 1 2 3 4 5 6 7; do
  for _ in 1 2; do
    "$tick_bench" --benchmark_filter="BM_IdleTick/$effect/0/4/" --benchmark_out="$work/scalar.json" \
      --benchmark_out_format=json >/dev/null 2>&1
    awk -v e="$effect" '/"cpu_time"/ { gsub(/,/, ""); printf "%d %.1f\n", e, $2 }' "$work/scalar.json"
  done
done | sort -k1,1n -k2,2g | awk '!seen[$1]++' >"$work/scalar"

for _ in $(seq "$rounds"); do
  for b in "${!renders[@]}"; do
    for path in $paths; do
      for effect in 1 2 3 4 5 6 7; do
        long=$(seconds "${renders[$b]}" "$path" "$effect" "$ticks") || exit 1
        short=$(seconds "${renders[$b]}" "$path" "$effect" 1) || exit 1
        echo "$b $path $effect $(awk -v l="$long" -v s="$short" -v t="$ticks" \
          'BEGIN { printf "%.2f", (l - s) * 1e6 / (t - 1) }')" >>"$work/runs"
      done
    done
  done
done

echo "µs a tick (process CPU time), the median of $rounds rounds (best in brackets); x = scalar / median"
for b in "${!renders[@]}"; do
  echo "build $b: ${renders[$b]}"
  printf '%-8s %8s' effect scalar
  for path in $paths; do printf ' %16s %6s' "$path" x; done
  echo
  for effect in 1 2 3 4 5 6 7; do
    scalar=$(awk -v e="$effect" '$1 == e { print $2 }' "$work/scalar")
    printf '%-8s %8s' "$effect" "$scalar"
    for path in $paths; do
      awk -v b="$b" -v p="$path" -v e="$effect" '$1 == b && $2 == p && $3 == e { print $4 }' \
        "$work/runs" | sort -g | awk -v s="$scalar" '
          { v[++n] = $1 }
          END {
            m = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
            printf " %8.2f (%5.2f) %6.1f", m, v[1], s / m
          }'
    done
    echo
  done
done
