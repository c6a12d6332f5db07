#!/usr/bin/env bash
# The hack's cost at its default pace under Xvfb, which has no GPU: the share of one core
# it takes over 10 s at 1024x768 and at 1920x1080, and its memory over a longer run.
# Run by hand (it takes MINUTES + about half a minute); it prints figures, and fails only
# when a figure is over its bound.
# Usage: hack_measure.sh GLIMMERHEX_HACK [MINUTES, default 5]
set -uo pipefail
hack=$1 minutes=${2:-5}
source "$(dirname "$0")/../tests/e2e/common.sh"

server=""
run_hack() { # screen size; starts the hack on a fresh server's root window
  [ -n "$server" ] && kill "$server" 2>/dev/null
  Xvfb -displayfd 3 -screen 0 "$1x24" -br -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  server=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  "$hack" --root --effect 1 --palette 19 &
  pid=$!
  sleep 2 # past start-up
}

share_of_a_core() { # size, bound in percent
  local before after percent
  run_hack "$1"
  before=$(cpu_ticks "$pid")
  sleep 10
  after=$(cpu_ticks "$pid")
  percent=$(awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", 100 * t / hz / 10 }')
  echo "  $1: $percent% of one core over 10 s"
  kill "$pid"
  awk -v p="$percent" -v b="$2" 'BEGIN { exit !(p < b) }'
}
check "under 10% of a core at 1024x768" share_of_a_core 1024x768 10
check "under 25% of a core at 1920x1080" share_of_a_core 1920x1080 25

memory_is_flat() {
  run_hack 1920x1080
  memory_stays_flat "$pid" "$minutes"
  local flat=$?
  kill "$pid"
  return $flat
}
check "memory stays flat over $minutes minutes" memory_is_flat
kill "$server"
finish
