#!/usr/bin/env bash
# The hack under its real hosts on Xvfb: XScreenSaver's daemon (run as an unprivileged
# user when the tests run as root, since it launches no hacks as root) and xsecurelock; then the edges of its
# protocol: signals, bad input, a resized and a destroyed window, two X screens, speed.
# Usage: hack_e2e.sh GLIMMERHEX_HACK GLIMMERHEX_HACK_COUNTED GLIMMERHEX_RENDER
set -uo pipefail
hack=$(realpath "$1") counted=$(realpath "$2") render=$3 # the hosts want absolute paths
here=$(cd "$(dirname "$0")" && pwd)

source "$here/common.sh"
source "$here/host_checks.sh"
chmod 755 "$work" # the daemon's user reads its home below it
home=$work/home
# "Heated" with "Heat", as the dialog stores them: the daemon runs the hack without
# choices, so these are what it shows.
store_choices 01 13 "$home/.config"
export XDG_CONFIG_HOME=$home/.config
stored=$(md5sum <"$home/.config/Orvandel/Glimmerhex.reg")
palette_colours "$render" 19 "$work/palette.txt"
as_user=() # the hosts' user; the daemon launches no hacks as root
if [ "$(id -u)" -eq 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown -R nobody:nogroup "$home"
fi

# A session bus, as a desktop session has one. Without it, each X client that asks for one
# (SDL does) has dbus-launch make one where that is installed (MATE's screen saver brings
# it), and of two hacks doing so on one display at once, one lost its display.
{ read -r bus_address && read -r bus_pid; } < <("${as_user[@]}" env -i HOME="$home" \
  PATH=/usr/bin:/bin dbus-daemon --session --fork --print-address=1 --print-pid=1)

servers=()
start_server() { # Xvfb with a black root and the given screens; sets DISPLAY
  Xvfb -displayfd 3 "$@" -br -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
  servers+=($!)
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  : >"$work/display"
}
as_host_user() {
  "${as_user[@]}" env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin \
    DBUS_SESSION_BUS_ADDRESS="$bus_address" "$@"
}
daemon=""
start_daemon() { # the daemon on $DISPLAY, running the given command line as its one hack
  printf 'mode: one\nselected: 0\nfade: False\nunfade: False\nlock: False\nsplash: False\nprograms: "Glimmerhex" %s \\n\n' \
    "$*" >"$home/.xscreensaver"
  python3 "$here/subreaper.py" "${as_user[@]}" \
    env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin DBUS_SESSION_BUS_ADDRESS="$bus_address" \
    xscreensaver -no-splash --log "$home/daemon.log" &
  daemon=$!
  for _ in $(seq 50); do as_host_user xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
}
stop_daemon() {
  as_host_user xscreensaver-command -exit >/dev/null 2>&1
  wait "$daemon" 2>/dev/null
  daemon=""
}
before_cleanup() {
  [ -n "$daemon" ] && stop_daemon
  kill "${servers[@]}" "$bus_pid" 2>/dev/null
}

started() { # waits up to 15 s for the given number of hacks (the host's chain at times stalls
  # for seconds; see ended_by_daemon); then a moment for first frames
  for _ in $(seq 150); do
    [ "$(hack_pids | wc -l)" -eq "$1" ] && { sleep 0.7; return 0; }
    sleep 0.1
  done
  echo "  $(hack_pids | wc -l) hacks running"; return 1
}
within() { # seconds, then a command that must come true within them from now
  local deadline=$((${EPOCHREALTIME/./} + $1 * 1000000))
  shift
  until "$@"; do
    [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || return 1
    sleep 0.02
  done
}
all_gone() { local p; for p; do [ -e "/proc/$p" ] && return 1; done; return 0; }
# Every given pid gone from the process table, no zombie either, within the seconds given.
# On a miss it tells where the hack was, how much later it went, and what the daemon logged.
gone_within() { # seconds, pids
  local seconds=$1 p
  shift
  [ $# -gt 0 ] || return 1
  within "$seconds" all_gone "$@" && return 0
  for p in "$@"; do
    [ -e "/proc/$p" ] && echo "  $p is still there:" $(grep -E '^(State|SigPnd|ShdPnd|SigBlk)' "/proc/$p/status")
  done
  within 10 all_gone "$@" && echo "  and gone within 10 s more"
  [ -n "$daemon" ] && tail -n 12 "$home/daemon.log" | sed 's/^/  /'
  return 1
}
# The daemon's own chain, from -deactivate to its display process signalling the hack, once
# took 4 s on a loaded machine with the hack idle and no signal pending; so the host gets
# 15 s to act, as its log tells, and the hack then has 3 s (it takes a few ms).
signalled_or_gone() {
  local p
  for p; do
    grep -qF "killing pid $p (" "$home/daemon.log" || [ ! -e "/proc/$p" ] || return 1
  done
}
ended_by_daemon() { # pids
  within 15 signalled_or_gone "$@" || { echo "  the daemon never signalled $*"; return 1; }
  gone_within 3 "$@"
}
host_window() { tr '\0' '\n' <"/proc/$1/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p'; }

# A process of ours that must end on a signal within 50 ms, with status 0: under the 80 ms
# after which its watchdog ends it anyway, so that a stop flag no one reads is caught.
# Timed with the shell's own clock: starting a program to read the time can itself take
# tens of milliseconds on a busy machine.
ends_quickly() { # pid signal
  local start status elapsed
  start=${EPOCHREALTIME/./}
  kill "-$2" "$1"
  wait "$1"; status=$?
  elapsed=$(((${EPOCHREALTIME/./} - start) / 1000))
  echo "  SIG$2: status $status after $elapsed ms"
  [ "$status" -eq 0 ] && [ "$elapsed" -lt 50 ]
}

start_server -screen 0 1024x768x24

# Bad input: one line naming the problem, status 1, no window.
refuses() { # text the line must hold, then the command
  local want=$1 status lines
  shift
  timeout 5 "$@" 2>"$work/err.txt"; status=$?
  lines=$(wc -l <"$work/err.txt")
  echo "  status $status: $(head -n 1 "$work/err.txt")"
  [ "$status" -eq 1 ] && [ "$lines" -eq 1 ] && grep -qF -- "$want" "$work/err.txt"
}
windows_before=$(xwininfo -root -children | grep -c '^ *0x')
check "an unparsable window id is refused" refuses "'0x12G' is not a window id" "$hack" --window-id 0x12G
check "a window that does not exist is refused" refuses "window 0x1ffffff0 does not exist" \
  "$hack" --window-id 0x1ffffff0
check "a bad XSCREENSAVER_WINDOW is refused" refuses "XSCREENSAVER_WINDOW '12abc'" \
  env XSCREENSAVER_WINDOW=12abc "$hack" --root
python3 -c 'import ctypes, signal  # an input-only window (class 2), held until killed
x = ctypes.CDLL("libX11.so.6"); x.XOpenDisplay.restype = ctypes.c_void_p; d = ctypes.c_void_p(x.XOpenDisplay(None))
print(hex(x.XCreateWindow(d, x.XDefaultRootWindow(d), 0, 0, 9, 9, 0, 0, 2, None, 0, None)), flush=True)
x.XFlush(d); signal.pause()' >"$work/input-only.txt" &
holder=$!
for _ in $(seq 50); do [ -s "$work/input-only.txt" ] && break; sleep 0.1; done
check "an input-only window is refused" refuses "is input-only" \
  env XSCREENSAVER_WINDOW="$(cat "$work/input-only.txt")" "$hack" --root
kill "$holder"
wait "$holder" 2>/dev/null
check "--effect 9 is refused" refuses "--effect takes 0 (random) to 7, not '9'" "$hack" --effect 9
check "--delay -1 is refused" refuses "--delay takes microseconds" "$hack" --delay -1
check "an unknown option is refused" refuses "unknown option '-frobnicate'" "$hack" -frobnicate
check "no display is refused" refuses "no display" env -u DISPLAY "$hack" --root
check "and no window is left behind" test "$(xwininfo -root -children | grep -c '^ *0x')" -eq "$windows_before"

# Trying it out: a window of its own, ended by each of the signals.
for signal in TERM INT HUP; do
  "$hack" --effect 3 --palette 19 &
  pid=$!
  xdotool search --sync --onlyvisible --name '^Glimmerhex$' >/dev/null 2>&1
  sleep 0.3
  check "SIG$signal ends it within 50 ms with status 0" ends_quickly "$pid" "$signal"
done

# Started with its standard descriptors closed: /dev/null stands in for each, so that neither
# the X connection nor the wake pipe takes their numbers (what a library writes to stderr
# would otherwise land in the X stream).
"$hack" --root --effect 1 --palette 19 <&- >&- 2>&- &
pid=$!
sleep 1
null_descriptors() {
  local fd targets=""
  for fd in 0 1 2; do targets+="$(readlink "/proc/$pid/fd/$fd") "; done
  echo "  descriptors 0-2: $targets"
  [ "$targets" = "/dev/null /dev/null /dev/null " ]
}
check "started with 0-2 closed, /dev/null holds them" null_descriptors
kill "$pid"
wait "$pid"

# The host destroys its window under the hack: it ends, with status 0.
xmessage -geometry 640x400+0+0 -title glimmerhost -buttons "" host 2>/dev/null &
host=$!
window=$(xdotool search --sync --name '^glimmerhost$' | head -n 1)
wanted() { xwininfo -id "$window" -events | sed -n '/Someone wants/,/Do not/p' | sed '1d;$d' | sort; }
wanted >"$work/wanted-before.txt"
"$hack" --window-id "$window" --effect 1 --palette 19 &
pid=$!
sleep 0.7
check "drawing into a window it was given" kill -0 "$pid"
asks_only_for_structure_and_exposure() { # the host owns the window's input
  local added
  added=$(comm -13 "$work/wanted-before.txt" <(wanted) | tr -s ' \n' ' ')
  echo "  events it added to the window's: ${added:-none}"
  [ -z "$(comm -13 "$work/wanted-before.txt" <(wanted) | grep -vxE ' *(Exposure|StructureNotify)')" ]
}
check "and selecting none of its input" asks_only_for_structure_and_exposure
kill "$host"
ended_after_host() {
  local status
  within 1 not kill -0 "$pid" 2>/dev/null || { echo "  still running"; kill "$pid"; return 1; }
  wait "$pid"; status=$?
  echo "  status $status"
  [ "$status" -eq 0 ]
}
check "it ends within 1 s when the host destroys the window" ended_after_host

# XScreenSaver's daemon: full screen, with the stored choices, six times over.
start_daemon "$hack" --root
for cycle in 1 2 3 4 5 6; do
  as_host_user xscreensaver-command -activate >/dev/null
  check "cycle $cycle: -activate starts one hack" started 1
  pids=$(hack_pids)
  check "cycle $cycle: it shows the stored choices, with black bars" eventually shows_picture 1024 768
  as_host_user xscreensaver-command -deactivate >/dev/null
  check "cycle $cycle: -deactivate: the hack is gone within 3 s of the daemon's signal" ended_by_daemon $pids
done

# The window resized under it.
as_host_user xscreensaver-command -activate >/dev/null
started 1
pid=$(hack_pids)
xdotool windowsize "$(host_window "$pid")" 800 300
sleep 0.5
check "a window resized to 800x300 gets the picture refitted" eventually shows_picture 800 300
check "and the hack carries on" kill -0 "$pid"
stop_daemon
check "the settings file is read, never written" test "$(md5sum <"$home/.config/Orvandel/Glimmerhex.reg")" = "$stored"
check "and nothing is added beside it" test "$(ls -A "$home/.config/Orvandel")" = Glimmerhex.reg

# xsecurelock: decimal XSCREENSAVER_WINDOW, SIGUSR1 to start over, SIGTERM to end.
python3 "$here/subreaper.py" "${as_user[@]}" \
  env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin DBUS_SESSION_BUS_ADDRESS="$bus_address" \
  XSECURELOCK_SAVER="$counted" \
  xsecurelock 2>"$work/lock.err" &
locker=$!
check "xsecurelock starts the hack" started 1
pid=$(hack_pids)
check "and passes its window in decimal" grep -qE '^[0-9]+$' <<<"$(host_window "$pid")"
check "the hack draws under xsecurelock" eventually shows_picture 1024 768
kill -USR1 "$pid"
sleep 0.5
check "SIGUSR1 starts over and it carries on drawing" eventually shows_picture 1024 768
kill "$locker"
check "ending xsecurelock ends the hack within 3 s" gone_within 3 "$pid"
wait "$locker" 2>/dev/null
paced() {
  local report generations presents rate
  report=$(grep -o 'generations=.*' "$work/lock.err")
  echo "  $report"
  generations=$(sed -n 's/generations=\([0-9]*\).*/\1/p' <<<"$report")
  presents=$(sed -n 's/.*presents=\([0-9]*\).*/\1/p' <<<"$report")
  rate=$(sed -n 's/.*generations_per_second=\([0-9.]*\).*/\1/p' <<<"$report")
  [ -n "$rate" ] && [ "$presents" -eq "$generations" ] &&
    awk -v r="$rate" 'BEGIN { exit !(r >= 45 && r <= 61) }'
}
check "at the default delay: about 60 generations a second, each one presented" paced
check "without a GPU the picture is scaled in software" grep -q 'presenter=software' "$work/lock.err"

# Speed unpaced.
check "--delay 0 keeps at least 30% of the headless rate" \
  keeps_headless_share 30 0 kill "$counted" --root --delay 0 --effect 1 --palette 19

# The accelerated renderer, forced onto Mesa's software OpenGL since Xvfb has no GPU.
"$counted" --root --renderer accelerated --effect 1 --palette 19 2>"$work/gl.err" &
pid=$!
sleep 1.5
check "the accelerated renderer draws the same picture" eventually shows_picture 1024 768
kill "$pid"
wait "$pid"
check "through OpenGL" grep -q 'presenter=accelerated' "$work/gl.err"

# Two X screens, the second of 16 bits a pixel: the daemon starts a hack on each, and each
# draws.
kill "${servers[@]}"
start_server -screen 0 1024x768x24 -screen 1 800x600x16
start_daemon "$hack" --root
as_host_user xscreensaver-command -activate >/dev/null
check "two X screens get two hacks" started 2
pids=$(hack_pids)
check "the first screen shows the picture" eventually shows_picture 1024 768 -display "${DISPLAY%.*}.0"
bits=16
check "the second screen too" eventually shows_picture 800 600 -display "${DISPLAY%.*}.1"
bits=24
as_host_user xscreensaver-command -deactivate >/dev/null
check "-deactivate: both are gone within 3 s of the daemon's signal" ended_by_daemon $pids
stop_daemon

# What reaches the screen is exactly the picture: stopped after a number of generations from
# a seed, the hack shows the render tool's frame for the same, on a screen where the picture
# is 3.84 times its size, 300 generations in (presents of what changed, and some whole), in
# software and through OpenGL.
kill "${servers[@]}" 2>/dev/null
start_server -screen 0 1366x768x24
while read -r seed effect palette generations renderer; do
  GLIMMERHEX_SEED=$seed GLIMMERHEX_GENERATIONS=$generations "$counted" --root \
    --renderer "$renderer" --effect "$effect" --palette "$palette" </dev/null 2>"$work/exact.err" &
  pid=$!
  check "effect $effect, palette $palette, $generations generations ($renderer): the screen is the render's frame" \
    shows_render_frame "$work/exact.err" "$seed" "$effect" "$palette" "$generations" "$renderer" import -window root png:-
  kill "$pid"
  wait "$pid"
done <<CASES
7 1 19 300 software
23 6 30 300 accelerated
CASES

finish
