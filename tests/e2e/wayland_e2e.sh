#!/usr/bin/env bash
# glimmerhex-wayland and glimmerhex /s on a Wayland desktop: a headless sway (pixman, so
# screenshots show the clients' own scaling) with two outputs and a third plugged in
# later. Input comes from wtype's virtual keyboard and from wayland-pointer; the pointer's
# small moves and keys held on arrival are left to the unit tests of the rules.
# Usage: wayland_e2e.sh GLIMMERHEX_WAYLAND GLIMMERHEX_WAYLAND_COUNTED GLIMMERHEX
#                       WAYLAND_POINTER GLIMMERHEX_RENDER
set -uo pipefail
saver=$(realpath "$1") counted=$(realpath "$2") glimmerhex=$(realpath "$3")
pointer=$(realpath "$4") render=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wayland_common.sh"

palette_colours "$render" 19 "$work/palette.txt"
start_sway 1280x800
add_output HEADLESS-2 1024x768 1280 0
store_choices_for_sway
stored=$(md5sum <"$runtime/.config/Orvandel/Glimmerhex.reg")
layer_surfaces() { grep -c 'new layer surface: namespace glimmerhex' "$work/sway.log"; }

refuses() { # bad input: one line holding the text given, status 1, and no surface
  local want=$1 status surfaces=$(layer_surfaces)
  shift
  "$@" 2>"$work/err.txt"; status=$?
  echo "  status $status: $(head -n 1 "$work/err.txt")"
  [ "$status" -eq 1 ] && [ "$(wc -l <"$work/err.txt")" -eq 1 ] && grep -qF -- "$want" "$work/err.txt" &&
    [ "$(layer_surfaces)" -eq "$surfaces" ]
}
check "--effect 9 is refused" refuses "--effect takes 0 (random) to 7, not '9'" \
  as_sway_user timeout 5 "$saver" --effect 9
check "no compositor is refused" refuses "no Wayland compositor" \
  as_sway_user env -u WAYLAND_DISPLAY timeout 5 "$saver"
check "--idle 0 is refused" refuses "--idle takes seconds from 1 to 86400 or auto, not '0'" \
  as_sway_user timeout 5 "$saver" --idle 0
# Each refusal of the environment in one line of ours, libwayland's own words left out; a
# compositor that takes the connection but never answers is given up after 5 s.
as_sway_user python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(); time.sleep(60)' "$runtime/mute" &
mute=$!
while [ ! -S "$runtime/mute" ]; do sleep 0.1; done
while IFS='|' read -r want spelling; do
  check "$spelling is refused" refuses "$want" as_sway_user env $spelling timeout 15 "$saver"
done <<CASES
no Wayland compositor: XDG_RUNTIME_DIR is not set|XDG_RUNTIME_DIR=
XDG_RUNTIME_DIR 'run' is not an absolute path|XDG_RUNTIME_DIR=run
longer than 107 bytes|WAYLAND_DISPLAY=/$(printf '%0107d' 0)
WAYLAND_SOCKET 'abc' is not a descriptor number|WAYLAND_SOCKET=abc
WAYLAND_SOCKET names descriptor 99, which is not open|WAYLAND_SOCKET=99
did not answer within 5 seconds|WAYLAND_DISPLAY=mute
CASES
kill "$mute"

start_saver() { # arguments for the counted program; its pid in $pid, stderr in saver.err
  launch_as_sway_user "$work/saver.err" "$counted" "$@"
  pid=$launched
  sleep 1.2 # connected, configured and a few frames drawn
}
ended_with_status_0() { # pid, seconds
  ends_within "$2" "$1" || { kill "$1"; wait "$1"; return 1; }
  echo "  ended after $ended_ms ms with status $ended_status"
  [ "$ended_status" -eq 0 ]
}

# Every output covered, sharp and letterboxed; an output plugged in is covered at once.
start_saver --effect 1 --palette 19
check "the first output shows the picture in 4x4 blocks" output_shows_picture HEADLESS-1 1280 800 4
check "the second output shows it, letterboxed" output_shows_picture HEADLESS-2 1024 768
add_output HEADLESS-3 800x600 2304 0
sleep 0.7
check "an output plugged in while it runs is covered" output_shows_picture HEADLESS-3 800 600
no_opengl_mapped() { # without a GPU, "auto" never loads Mesa's emulation (LLVM is 70 MB)
  echo "  resident memory $(rss_kib "$pid") KiB"
  not grep -qE 'libLLVM|_dri\.so' "/proc/$pid/maps"
}
check "without a GPU it loads no OpenGL" no_opengl_mapped
clicked_away() { # timed from when the compositor had the click, as the tool ends
  as_sway_user "$pointer" 300 && ended_with_status_0 "$pid" 1 && [ "$ended_ms" -lt 100 ]
}
check "a click ends it within 100 ms, with status 0" clicked_away
# One generation a refresh, and more than 20 frames a second on each of the three outputs
# (headless frames take their drawing time on top of the refresh).
paced() {
  local report
  report=$(grep -o 'generations=.*' "$work/saver.err")
  echo "  $report"
  awk '{ for (i = 1; i <= NF; i++) { split($i, pair, "="); value[pair[1]] = pair[2] }
         rate = value["generations_per_second"]; seconds = value["generations"] / rate
         for (i = 1; i <= NF; i++)
           if ($i ~ /^layer:/) { split($i, part, ":"); outputs++; slow += part[3] < 20 * (seconds - 1) }
         exit !(rate >= 45 && rate <= 61 && outputs == 3 && slow == 0) }' <<<"$report"
}
check "one generation a refresh, each of the three outputs drawing more than 20 frames a second" paced

check "without a GPU the picture is scaled in memory" grep -q 'presenter=software' "$work/saver.err"

# What reaches the screen is exactly the picture: stopped after a number of generations from
# a seed, every output shows the render tool's frame for the same, at 4, 3.2 and 2.5 times
# its size, 300 generations in, in memory and through OpenGL ES.
while read -r seed effect palette generations renderer; do
  launch_as_sway_user "$work/exact.err" env GLIMMERHEX_SEED="$seed" \
    GLIMMERHEX_GENERATIONS="$generations" "$counted" --renderer "$renderer" --effect "$effect" \
    --palette "$palette" </dev/null
  for output in HEADLESS-1 HEADLESS-2 HEADLESS-3; do
    check "effect $effect, palette $palette, $generations generations ($renderer): $output is the render's frame" \
      shows_render_frame "$work/exact.err" "$seed" "$effect" "$palette" "$generations" \
      "$renderer" as_sway_user grim -o "$output" -
  done
  kill "$launched"
  wait "$launched"
done <<CASES
5 3 5 300 software
29 2 21 300 accelerated
CASES

# One saver a compositor: while one covers it, another start ends at once with status 0
# and no surface, whichever program, however the compositor is named.
socket=$runtime/$WAYLAND_DISPLAY
spellings=("WAYLAND_DISPLAY=$WAYLAND_DISPLAY" "its socket's path" "its path, no XDG_RUNTIME_DIR"
  "a connection handed over")
spelled() { # a spelling's number, then the command to run as the compositor's user
  local number=$1
  shift
  case $number in
  0) as_sway_user "$@" ;;
  1) as_sway_user env WAYLAND_DISPLAY="$socket" "$@" ;;
  2) as_sway_user env -u XDG_RUNTIME_DIR WAYLAND_DISPLAY="$socket" "$@" ;;
  3) as_sway_user env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY python3 -c 'import os, socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); fd = s.detach(); os.set_inheritable(fd, True)
os.environ["WAYLAND_SOCKET"] = str(fd); os.execv(sys.argv[2], sys.argv[2:])' "$socket" "$@" ;;
  esac
}
declines() { # a spelling's number, then the command
  local surfaces=$(layer_surfaces) second
  spelled "$@" 2>/dev/null &
  second=$!
  ended_with_status_0 "$second" 3 && [ "$(layer_surfaces)" -eq "$surfaces" ]
}
start_saver
for number in "${!spellings[@]}"; do
  for program in "$saver" "$glimmerhex /s"; do
    set -- $program
    check "while one runs, $(basename "$1")${2:+ $2} by ${spellings[number]} declines" \
      declines "$number" "$@"
  done
done
kill "$pid"
wait "$pid"

# OpenGL ES asked for by name: Mesa's software rasteriser here, with the same sharp picture.
start_saver --renderer accelerated --effect 1 --palette 19
sleep 1 # software OpenGL is slow to start
check "the accelerated renderer draws the same picture" output_shows_picture HEADLESS-1 1280 800 4
# Pressed, then released six seconds later: the press is what ends it.
as_sway_user wtype -s 300 -P space -s 6000 -p space &
check "a key ends it on its press" ended_with_status_0 "$pid" 4
check "through OpenGL ES" grep -q 'presenter=accelerated' "$work/saver.err"

# --wallpaper: under the windows, deaf to keys.
start_saver --wallpaper --effect 1 --palette 19
check "--wallpaper draws on the background layer" \
  grep -q 'new layer surface: namespace glimmerhex layer 0' "$work/sway.log"
check "and shows the picture" output_shows_picture HEADLESS-1 1280 800 4
as_sway_user wtype -s 300 -k space
as_sway_user "$pointer" 300
check "keys and clicks do not end it" not has_ended "$pid"
ends_on_term() {
  kill -TERM "$pid" && ends_within 1 "$pid" || return 1
  echo "  status $ended_status after $ended_ms ms"
  [ "$ended_status" -eq 0 ] && [ "$ended_ms" -lt 100 ]
}
check "SIGTERM ends it within 100 ms with status 0" ends_on_term

# Started on idle by the README's own sway line, run as written but for seconds instead of
# minutes: it must not keep the desktop from its own blanking (the outputs still power off
# while it runs), nor count as the user's return; a key ends it and powers them on again.
sway_line=$(sed -n '/^ *exec swayidle/,/[^\\]$/p' "$here/../../README.md" | sed 's/^ *//; s/\\$//' |
  tr -d '\n' | sed 's/timeout 300/timeout 1/; s/timeout 600/timeout 4/')
echo "  $sway_line"
mkdir "$work/bin" && ln -s "$saver" "$work/bin/glimmerhex-wayland"
log_from=$(($(wc -l <"$work/sway.log") + 1))
launch_as_sway_user "$work/idle.err" env PATH="$work/bin:/usr/bin:/bin" sh -c "$sway_line" >/dev/null
idle=$launched
idle_savers() { # those the line started (in this compositor's runtime folder), newest last
  local p
  for p in $(pgrep -f '^glimmerhex-wayland$'); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qx "XDG_RUNTIME_DIR=$runtime" && echo "$p"
  done
}
# Sway 1.7 turns headless outputs off as it would real ones, but its headless backend then
# refuses to hold them off, so get_outputs never shows it: sway's log tells what it did.
turned() { # off or on: sway turned every output so since the line started
  local outputs output
  outputs=$(as_sway_user swaymsg -t get_outputs | sed -n 's/^ *"name": "\(.*\)",$/\1/p')
  for output in $outputs; do
    tail -n +"$log_from" "$work/sway.log" | grep -q "Turning $1 output $output$" || return 1
  done
  [ -n "$outputs" ]
}
check "swayidle starts it after a second of idle" eventually eval '[ -n "$(idle_savers)" ]'
pid=$(idle_savers | tail -n 1)
sleep 0.5
check "with the stored choices" output_shows_picture HEADLESS-1 1280 800 4
check "the outputs are turned off while it runs" eventually turned off
check "its surfaces did not resume the idle daemon" not turned on
as_sway_user wtype -s 300 -k space
check "a key ends it within 1 s" ends_within 1 "$pid"
check "and the outputs are turned on again" eventually turned on
kill "$idle"
wait "$idle" 2>/dev/null
sleep 0.3 # one it started on its next timeout, just before it ended, has started too
kill $(idle_savers) 2>/dev/null
check "the settings file is read, never written" \
  test "$(md5sum <"$runtime/.config/Orvandel/Glimmerhex.reg")" = "$stored"

# The resident (--idle), on org_kde_kwin_idle, the only idle protocol sway 1.7 offers: every
# output covered after two idle seconds with the choices stored at that moment, given back
# on a click, a key, a 1000 Hz mouse's moves or a burst of wheel turns while the process
# stays, for six cycles. After each it waits without a stir, even for what the compositor
# sent the show's surfaces before they went, and SIGUSR1 (no world to start over) while it
# waits; and each show lasts until new input (the report's generation counts at the end).
launch_as_sway_user "$work/resident.err" "$counted" --idle 2
resident=$launched
# Its first line comes once it holds the compositor's resident marker and its idle source.
waits_on() { grep -q "without input ($1 from the compositor)" "$work/resident.err"; }
check "the resident waits on org_kde_kwin_idle" eventually waits_on org_kde_kwin_idle
check "a second resident on the same compositor declines with status 0" eval 'said=$(as_sway_user timeout 5 \
  "$saver" --idle 5 2>&1) && [ "$said" = "glimmerhex-wayland: another glimmerhex-wayland --idle already waits on this compositor" ]'
covered() { output_shows_picture HEADLESS-1 1280 800 4 && output_shows_picture HEADLESS-2 1024 768; }
given_back() { # the surfaces gone at once, long before the next idle time
  sleep 0.3
  not has_ended "$resident" && not output_shows_picture HEADLESS-1 1280 800
}
quiet_while_waiting() { # its processor time over a second of the wait, in clock ticks
  local before=$(cpu_ticks "$resident") spent
  sleep 1
  spent=$(($(cpu_ticks "$resident") - before))
  echo "  $spent clock ticks in a second of waiting"
  [ "$spent" -le 3 ]
}
endings=(click key click move wheel click)
for cycle in 1 2 3 4 5 6; do
  ending=${endings[cycle - 1]}
  if [ "$cycle" -eq 3 ]; then # the dialog stored Mutant Blob with palette 5 meanwhile
    store_choices 03 05 "$runtime/.config"
    palette_colours "$render" 5 "$work/palette.txt"
  fi
  check "cycle $cycle: idle covers every output" eventually covered
  if [ "$ending" = key ]; then as_sway_user wtype -s 300 -k space; else as_sway_user "$pointer" 300 "$ending"; fi
  check "cycle $cycle: a $ending gives the screen back" given_back
  [ "$cycle" -eq 5 ] && kill -USR1 "$resident"
  check "cycle $cycle: then it waits without a stir$([ "$cycle" -eq 5 ] && echo ", SIGUSR1 too")" \
    quiet_while_waiting
  [ "$cycle" -eq 1 ] && after_first=$(rss_kib "$resident")
done
check "waiting after the sixth show, it holds no more memory than after the first" \
  eval 'echo "  $after_first KiB, then $(rss_kib "$resident") KiB"; [ "$(rss_kib "$resident")" -le $((after_first + 64)) ]'
check "each show drew on all three outputs, a generation a refresh until input (the counted build's report)" \
  eval '[ "$(grep -cE "^generations=([3-9][0-9]|[1-9][0-9]{2,}) .*presenter=software( layer:[0-9x]+:[1-9][0-9]*){3}$" \
  "$work/resident.err")" -eq 6 ]'

# A window with an idle inhibitor (the dialog, with sway's rule): no show while it is open;
# once it is closed, idle is counted from then.
launch_as_sway_user "$work/dialog.err" "$glimmerhex"
dialog=$launched
eventually eval 'as_sway_user swaymsg "[pid=$dialog] inhibit_idle open" >/dev/null'
as_sway_user "$pointer" 300 # a show that started before ends, and idle counts from here
check "no show while an application inhibits idle" no_show_for 3.5
kill "$dialog"
check "one after the inhibitor went" eventually covered
as_sway_user "$pointer" 300
# Another saver covering the screen (a plain run, as an idle daemon starts one): no show.
start_saver
check "no show while another saver covers the screen" no_show_for 2.5
kill "$pid"
wait "$pid"

pid=$resident
check "SIGTERM ends the waiting resident within 100 ms with status 0" ends_on_term

# glimmerhex /s, natively, with the keyboard's focus on the second output, and DISPLAY set
# to a working X server as well: it still runs on Wayland, where the focus is.
start_xvfb
as_sway_user swaymsg focus output HEADLESS-2 >/dev/null
launch_as_sway_user "$work/s.err" env DISPLAY="$DISPLAY" "$glimmerhex" /s
pid=$launched
# Unpaced at nice 19 beside the compositor, it may take a moment to grow colours.
check "it shows there, sharp and letterboxed" eventually output_shows_picture HEADLESS-2 1024 768
# Without an X display to ask, the lock file alone keeps a second one away.
as_sway_user timeout 5 "$glimmerhex" /s 2>/dev/null
check "a second /s there, with no X display, ends at once with 0" test $? -eq 0
as_sway_user wtype -s 300 -k space &
check "a key ends it" ended_with_status_0 "$pid" 3

# However many outputs the compositor announces, each is covered: fifteen more, eighteen in
# all, the newest checked by screenshot.
start_saver
surfaces=$(layer_surfaces)
for number in $(seq 4 18); do
  add_output "HEADLESS-$number" 320x200 $((3104 + (number - 4) * 320)) 0
done
sleep 1
check "each of the fifteen outputs plugged in gets a surface" test $(($(layer_surfaces) - surfaces)) -eq 15
check "and the eighteenth shows the picture" output_shows_picture HEADLESS-18 320 200
# sway states no blank or lock time of its own (swayidle's lines are the user's): auto is
# 300 s, and its first line says so.
launch_as_sway_user "$work/resident.err" "$saver" --idle auto
resident=$launched
check "--idle auto on sway: 300 s, and why" eventually grep -qxF "glimmerhex-wayland: covering the outputs \
after 300 s without input (the desktop states no blank, lock or power-off time; org_kde_kwin_idle from the compositor)" \
  "$work/resident.err"
stop_sway
check "losing the compositor ends it with status 0 and one line" eval 'ended_with_status_0 "$pid" 2 &&
  [ "$(grep -v ^generations= "$work/saver.err")" = "glimmerhex-wayland: lost the connection to the Wayland compositor" ]'
resident_lost() { # a status its unit starts it again on
  ends_within 2 "$resident" || return 1
  echo "  status $ended_status: $(tail -n 1 "$work/resident.err")"
  [ "$ended_status" -eq 2 ] &&
    [ "$(tail -n 1 "$work/resident.err")" = "glimmerhex-wayland: lost the connection to the Wayland compositor" ]
}
check "and the resident with status 2 and one line" resident_lost

finish
