# Shared by the end-to-end scripts: a scratch folder, a private X server, and checks
# that count what passed. Source it, then call start_xvfb.

# Run from a Wayland desktop, the saver would go there instead of to the test's own display.
unset WAYLAND_DISPLAY
work=$(mktemp -d)
xvfb=""
before_cleanup() { :; } # a script may redefine it
cleanup() {
  before_cleanup
  kill $(jobs -p) 2>/dev/null
  [ -n "$xvfb" ] && kill $xvfb 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb() { # further arguments go to Xvfb; each call starts one more server
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset "$@" 3>"$work/display" 2>/dev/null &
  xvfb="$xvfb $!"
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
}

# A program of ours against the headless renderer ($render), both drawing "Heated" with
# "Heat": the best of three runs each, as a percentage. Both run on one and the same
# processor, in turns, since this machine's processors differ in speed by up to a sixth at
# times. The program runs 3 s, then the ending command given gets its pid; on exit it
# reports its rate per second on stderr.
share_of_headless() { # the renderer's nice, the ending command, the program's command line
  local nice=$1 ending=$2 cpu pid headless measured
  shift 2
  cpu=$(awk '/^Cpus_allowed_list/ { n = split($2, a, /[-,]/); print a[n] }' /proc/self/status)
  : >"$work/headless.rates"
  : >"$work/measured.rates"
  for _ in 1 2 3; do
    nice -n "$nice" taskset -c "$cpu" "$render" --effect 1 --palette 19 --ticks 100000 --bench |
      sed -n 's/ticks_per_second=//p' >>"$work/headless.rates"
    taskset -c "$cpu" "$@" 2>"$work/measured.err" &
    pid=$!
    sleep 3
    $ending "$pid"
    wait "$pid"
    sed -n 's/.*_per_second=\([0-9.]*\).*/\1/p' "$work/measured.err" >>"$work/measured.rates"
  done
  headless=$(sort -g "$work/headless.rates" | tail -n 1)
  measured=$(sort -g "$work/measured.rates" | tail -n 1)
  awk -v m="$measured" -v h="$headless" -v name="$(basename "$1")" \
    'BEGIN { printf "  headless %.0f a second, %s %.0f: %.0f%%\n", h, name, m, (h > 0 ? 100 * m / h : 0) }' >&2
  awk -v m="$measured" -v h="$headless" 'BEGIN { printf "%.0f\n", (h > 0 ? 100 * m / h : 0) }'
}

# Whether the program keeps at least the given percentage of the headless rate. In CI only
# a gross regression guard (a present that blocks the tick); the figures themselves are
# measured by bench/unpaced_measure.sh and reported in the README.
keeps_headless_share() { # percentage, then as share_of_headless
  local least=$1 share
  shift
  share=$(share_of_headless "$@") || return 1
  [ "$share" -ge "$least" ]
}

# Settings and the single-saver marker in folders of the run's own, never the user's.
use_own_folders() {
  export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
  mkdir -p "$XDG_CONFIG_HOME" && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
}

# For the measuring scripts: a process's CPU time so far in clock ticks, its resident memory,
# and whether that memory stays flat over a run of some minutes.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; } # utime + stime
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
memory_stays_flat() { # pid minutes
  local start end
  start=$(rss_kib "$1")
  sleep $(($2 * 60))
  end=$(rss_kib "$1")
  echo "  resident memory $start KiB after start-up, $end KiB $2 minutes later"
  [ "$end" -le $((start + 256)) ]
}

# A settings file holding what the dialog stores for the given effect and palette (two hex
# digits each), in $XDG_CONFIG_HOME, or below the folder given as a third argument.
store_choices() { # effect, palette [, config folder]
  local folder=${3:-$XDG_CONFIG_HOME}/Orvandel
  mkdir -p "$folder"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n"Version"=hex:03\r\n"GraphicEffect"=hex:%s\r\n"PaletteScheme"=hex:%s\r\n' \
    "$1" "$2" >"$folder/Glimmerhex.reg"
}

passed=0 failed=0
check() { # a name, then a command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
not() { ! "$@"; }
same() { [ "$1" = "$2" ] || { echo "  got '$1', want '$2'"; return 1; }; }
eventually() { for _ in $(seq 15); do "$@" && return 0; sleep 1; done; return 1; }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# The colours of a palette scheme as the renderer builds them, one #RRGGBB a line.
palette_colours() { # renderer, scheme, file
  "$1" --effect 1 --palette "$2" --ticks 0 --out "$work/palette.raw" >/dev/null
  tail -c 1024 "$work/palette.raw" | od -An -v -tu1 -w4 |
    awk '{ printf "#%02X%02X%02X\n", $1, $2, $3 }' | sort -u >"$3"
}

# Distinct colours of a screenshot (or a part of one), one #RRGGBB a line.
screenshot_colours() { # file, then arguments for import
  local file=$1; shift
  import -window root "$@" "$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -unique-colors -depth 8 txt:- | grep -oE '#[0-9A-F]{6}' | sort -u >"$file"
}
