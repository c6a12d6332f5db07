#!/usr/bin/env bash
# What showing the picture costs: the program's and its display server's share of one core
# over 10 s at the default pace, at 1920x1080 and at 3840x2160, for glimmerhex-hack on the
# root window of Xvfb (no GPU: the software path, SDL's window surface) and glimmerhex-wayland
# on one output of headless sway (pixman), both with "Heated" and "Heat"; and, in the same
# run, XScreenSaver's stock hacks swirl, galaxy and deco with their default settings on the
# root window of Xvfb, as the daemon would run them. Each program gets a fresh server of its
# own, 2 s to start, then 10 s measured (utime + stime from /proc, as the other bench scripts).
# Run by hand, not in CI (the figures move with whatever else the machine runs); it prints a
# table with the processor and the load average before and after, and fails only when a
# program could not be measured.
# Usage: present_cost.sh BUILD_DIR [SECONDS, default 10]
#   BUILD_DIR holds glimmerhex-hack and glimmerhex-wayland (a release build); the stock hacks
#   are taken from STOCK_HACKS (default /usr/libexec/xscreensaver).
set -uo pipefail
build=$(realpath "$1") seconds=${2:-10}
stock=${STOCK_HACKS:-/usr/libexec/xscreensaver}
here=$(cd "$(dirname "$0")/../tests/e2e" && pwd)
source "$here/wayland_common.sh" # common.sh too: $work, cpu_ticks, start_sway, cleanup

share() { # clock ticks, in percent of one core over the measured seconds
  awk -v t="$1" -v s="$seconds" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.1f", 100 * t / hz / s }'
}
# One line of the table: the program's and the server's ticks over the measured seconds.
measured=0
row() { # size, name, program's pid, server's pid
  local size=$1 name=$2 program=$3 server=$4 p0 s0 p1 s1
  sleep 2 # past start-up
  p0=$(cpu_ticks "$program" 2>/dev/null) s0=$(cpu_ticks "$server" 2>/dev/null)
  sleep "$seconds"
  p1=$(cpu_ticks "$program" 2>/dev/null) s1=$(cpu_ticks "$server" 2>/dev/null)
  if [ -z "$p0" ] || [ -z "$p1" ] || [ -z "$s0" ] || [ -z "$s1" ]; then
    echo "| $size | $name | ended early | | |"
    return
  fi
  echo "| $size | $name | $(share $((p1 - p0))) | $(share $((s1 - s0))) | $(share $((p1 - p0 + s1 - s0))) |"
  measured=$((measured + 1))
}

on_xvfb() { # size, name, then the program's command line, run on a fresh server's root
  local size=$1 name=$2 pid
  shift 2
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -br -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  xvfb=$! # common.sh's cleanup ends it if the run is cut short
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  DISPLAY=":$(cat "$work/display")" "$@" >/dev/null 2>&1 &
  pid=$!
  row "$size" "$name" "$pid" "$xvfb"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null
  xvfb=""
}

on_sway() { # size
  rm -rf "$runtime"
  start_sway "$1"
  launch_as_sway_user "$work/saver.err" "$build/glimmerhex-wayland" --effect 1 --palette 19
  row "$1" "glimmerhex-wayland under headless sway (pixman)" "$launched" "$sway_pid"
  kill "$launched" 2>/dev/null
  wait "$launched" 2>/dev/null
  stop_sway
}

echo "$(lscpu | sed -n 's/^Model name: *//p'), family $(lscpu | sed -n 's/^CPU family: *//p')" \
  "model $(lscpu | sed -n 's/^Model: *//p'), $(nproc) processors; load average before:" \
  "$(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| size | program | program % | server % | total % |"
echo "|---|---|---|---|---|"
for size in 1920x1080 3840x2160; do
  on_xvfb "$size" "glimmerhex-hack under Xvfb" "$build/glimmerhex-hack" --root --effect 1 --palette 19
  on_sway "$size"
  for hack in swirl galaxy deco; do
    on_xvfb "$size" "$hack under Xvfb" "$stock/$hack" -root
  done
done
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
[ "$measured" -eq 10 ]
