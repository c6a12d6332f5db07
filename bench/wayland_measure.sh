#!/usr/bin/env bash
# glimmerhex-wayland's cost at its default pace under headless sway (pixman renderer, no
# GPU): the share of one core it takes over 10 s with about 2.3 million pixels on three
# outputs (1280x800, 1024x768, 800x600) and with one 3840x2160 output, the compositor's
# share beside it, the buffers it holds an output, and its memory over a longer run.
# Run by hand (it takes MINUTES + about half a minute); it prints figures, and fails only
# when a figure is over its bound.
# Usage: wayland_measure.sh GLIMMERHEX_WAYLAND [MINUTES, default 5]
set -uo pipefail
saver=$(realpath "$1") minutes=${2:-5}
here=$(cd "$(dirname "$0")/../tests/e2e" && pwd)
source "$here/wayland_common.sh"

share() { # ticks over seconds, in percent of one core
  awk -v t="$1" -v s="$2" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", 100 * t / hz / s }'
}
run_saver() { # first output, then name size x y for each further one
  stop_sway
  rm -rf "$runtime"
  start_sway "$1"
  shift
  while [ $# -ge 4 ]; do add_output "$1" "$2" "$3" "$4"; shift 4; done
  launch_as_sway_user "$work/saver.err" "$saver" --effect 1 --palette 19
  pid=$launched
  sleep 2 # past start-up
}
# The shared-memory buffers it has mapped, one file each.
buffers() { grep -c 'memfd:glimmerhex-wayland' "/proc/$1/maps"; }

share_of_a_core() { # bound in percent, outputs (for the buffer count), then run_saver's arguments
  local bound=$1 outputs=$2 before after compositor_before compositor_after percent held
  shift 2
  run_saver "$@"
  before=$(cpu_ticks "$pid")
  compositor_before=$(cpu_ticks "$sway_pid")
  sleep 10
  after=$(cpu_ticks "$pid")
  compositor_after=$(cpu_ticks "$sway_pid")
  percent=$(share $((after - before)) 10)
  held=$(buffers "$pid")
  echo "  $percent% of one core over 10 s (sway beside it: $(share $((compositor_after - compositor_before)) 10)%);" \
    "$held buffers for $outputs outputs; resident $(rss_kib "$pid") KiB"
  kill "$pid"
  wait "$pid"
  awk -v p="$percent" -v b="$bound" 'BEGIN { exit !(p < b) }' && [ "$held" -le $((2 * outputs)) ]
}
check "under 10% of a core with 1280x800, 1024x768 and 800x600, two buffers an output at most" \
  share_of_a_core 10 3 1280x800 HEADLESS-2 1024x768 1280 0 HEADLESS-3 800x600 2304 0
check "under 20% of a core with one 3840x2160 output, two buffers at most" \
  share_of_a_core 20 1 3840x2160

memory_is_flat() {
  run_saver 1280x800 HEADLESS-2 1024x768 1280 0 HEADLESS-3 800x600 2304 0
  memory_stays_flat "$pid" "$minutes"
  local flat=$?
  kill "$pid"
  wait "$pid"
  return $flat
}
check "memory stays flat over $minutes minutes" memory_is_flat
finish
