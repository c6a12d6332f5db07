#!/usr/bin/env bash
# The page's generations a second in headless Chromium (bench=1) against glimmerhex-render's
# on this machine, for each effect: the SIMD build against native SSE2, the portable build
# against native portable. Seed 2026, palette 19, the same generations for all (the first
# GENERATIONS of a run, default 20000), every run on one and the same processor, in turns,
# the best of three. Run by hand; it prints a table for the README and judges nothing.
# Usage: web_measure.sh WEB_FOLDER GLIMMERHEX_RENDER [GENERATIONS]
set -uo pipefail
web=$1 render=$2 generations=${3:-20000}
source "$(dirname "$0")/../tests/e2e/common.sh"
source "$(dirname "$0")/../tests/e2e/web_common.sh"
cpu=$(awk '/^Cpus_allowed_list/ { n = split($2, a, /[-,]/); print a[n] }' /proc/self/status)
taskset -cp "$cpu" $$ >/dev/null # this script and all it starts
serve_page "$web" || exit 1

# One line a run: "effect rate", into $work/<name>.rates. The browser's first bench is not
# counted: it runs while the browser is still setting itself up, beside it on this processor.
bench_page() { echo "bench bench=1&simd=$1&ticks=$generations"; }
rates() { tr ';' '\n' | sed -n 's/.*effect=\([0-9]*\) .*generations_per_second=\([0-9.]*\).*/\1 \2/p'; }
for _ in 1 2 3; do
  mapfile -t lines < <(drive_page "$(bench_page sse2)" "$(bench_page sse2)" "$(bench_page portable)")
  rates <<<"${lines[1]-}" >>"$work/page-sse2.rates"
  rates <<<"${lines[2]-}" >>"$work/page-portable.rates"
  for path in sse2 portable; do
    for effect in 1 2 3 4 5 6 7; do
      GLIMMERHEX_SIMD=$path "$render" --seed 2026 --effect "$effect" --palette 19 \
        --ticks "$generations" --bench | sed -n "s/ticks_per_second=/$effect /p" \
        >>"$work/native-$path.rates"
    done
  done
done

best() { awk -v e="$2" '$1 == e && $2 > m { m = $2 } END { printf "%.0f", m }' "$work/$1.rates"; }
names=("" "Heated" "Heated (Alternative)" "Mutant Blob" "Mutant Blob (Alternative)" "Plasma Lite"
  "Plasma Max" "Plasma Max Lite")
echo "| generations a second | page, SIMD | native SSE2 | share | page, portable | native portable | share |"
echo "|---|---|---|---|---|---|---|"
for effect in 1 2 3 4 5 6 7; do
  simd=$(best page-sse2 "$effect") sse2=$(best native-sse2 "$effect")
  plain=$(best page-portable "$effect") portable=$(best native-portable "$effect")
  awk -v n="${names[effect]}" -v a="$simd" -v b="$sse2" -v c="$plain" -v d="$portable" \
    'BEGIN { printf "| %s | %d | %d | %.0f%% | %d | %d | %.0f%% |\n", n, a, b, 100 * a / b, c, d, 100 * c / d }'
done
