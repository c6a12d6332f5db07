#!/usr/bin/env bash
# glimmerhex-wayland (plain and resident) and glimmerhex /s on a Wayland desktop: a headless
# sway (pixman, so screenshots show the clients' own scaling) with two outputs and a third
# plugged in later. Input comes from wtype's virtual keyboard and from wayland-pointer; the pointer's
# small moves and keys held on arrival are left to the unit tests of the rules.
# Usage: wayland_e2e.sh GLIMMERHEX_WAYLAND GLIMMERHEX_WAYLAND_COUNTED GLIMMERHEX
#                       WAYLAND_POINTER GLIMMERHEX_RENDER
set -uo pipefail
saver=$(realpath "$1") counted=$(realpath "$2") glimmerhex=$(realpath "$3")
pointer=$(realpath "$4") render=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
source "$here/host_checks.sh"
source "$here/wayland_common.sh"
before_cleanup() { stop_sway; }

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
check "--idle 0 is refused" refuses "--idle takes seconds from 1 to 86400, not '0'" \
  as_sway_user timeout 5 "$saver" --idle 0

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

# Started by swayidle on idle: it must not keep the desktop from its own blanking (the
# later timeout still fires while it runs), nor count as the user's return; a key ends it
# and the resume command follows.
rm -f "$runtime/blanked" "$runtime/resumed"
launch_as_sway_user "$work/idle.err" swayidle -w timeout 1 "$saver 2>$runtime/idle.err &" \
  timeout 4 "touch $runtime/blanked" resume "touch $runtime/resumed"
idle=$launched
idle_saver() { pgrep -n -f "^$saver"; }
check "swayidle starts it after a second of idle" eventually eval 'idle_saver >/dev/null'
pid=$(idle_saver)
sleep 0.5
check "with the stored choices" output_shows_picture HEADLESS-1 1280 800 4
check "the later timeout fires while it runs" eventually test -e "$runtime/blanked"
check "its surfaces did not resume the idle daemon" not test -e "$runtime/resumed"
as_sway_user wtype -s 300 -k space
check "a key ends it within 1 s" ends_within 1 "$pid"
check "and resumes the idle daemon" eventually test -e "$runtime/resumed"
kill "$idle"
wait "$idle" 2>/dev/null
check "the settings file is read, never written" \
  test "$(md5sum <"$runtime/.config/Orvandel/Glimmerhex.reg")" = "$stored"

# The resident (--idle), on org_kde_kwin_idle, the only idle protocol sway 1.7 offers: every
# output covered after two idle seconds with the choices stored at that moment, given back
# on a click or a key while the process stays, for three cycles.
launch_as_sway_user "$work/resident.err" "$counted" --idle 2
resident=$launched
check "the resident takes sway's idle protocol" eventually \
  grep -q '(org_kde_kwin_idle from the compositor)$' "$work/resident.err"
declines() {
  as_sway_user timeout 5 "$saver" --idle 5 2>"$work/second.err"
  local status=$?
  echo "  status $status: $(cat "$work/second.err")"
  [ "$status" -eq 0 ] && [ "$(cat "$work/second.err")" = \
    "glimmerhex-wayland: another glimmerhex-wayland --idle already waits on this compositor" ]
}
check "a second resident on the same compositor declines" declines
covered() { output_shows_picture HEADLESS-1 1280 800 4 && output_shows_picture HEADLESS-2 1024 768; }
given_back() { # the surfaces gone at once, long before the next idle time
  sleep 0.3
  not has_ended "$resident" && not output_shows_picture HEADLESS-1 1280 800
}
for cycle in 1 2 3; do
  if [ "$cycle" -eq 3 ]; then # the dialog stored Mutant Blob with palette 5 meanwhile
    store_choices 03 05 "$runtime/.config"
    palette_colours "$render" 5 "$work/palette.txt"
  fi
  check "cycle $cycle: idle covers every output" eventually covered
  if [ "$cycle" -eq 2 ]; then as_sway_user wtype -s 300 -k space; else as_sway_user "$pointer" 300; fi
  check "cycle $cycle: a $([ "$cycle" -eq 2 ] && echo key || echo click) gives the screen back" given_back
done
every_show_covered_all() { # the counted build's report at the end of each show
  grep -o 'presenter=.*' "$work/resident.err" | sed 's/^/  /'
  [ "$(grep -cE 'presenter=software( layer:[0-9x]+:[1-9][0-9]*){3}$' "$work/resident.err")" -eq 3 ]
}
check "each show drew on all three outputs" every_show_covered_all

# A window with an idle inhibitor (the dialog, with sway's rule): no show while it is open;
# once it is closed, idle is counted from then.
launch_as_sway_user "$work/dialog.err" "$glimmerhex"
dialog=$launched
eventually eval 'as_sway_user swaymsg "[pid=$dialog] inhibit_idle open" >/dev/null'
as_sway_user "$pointer" 300 # a show that started before ends, and idle counts from here
shows=$(grep -c '^shown_after_ms=' "$work/resident.err")
sleep 3.5
check "no show while an application inhibits idle" \
  test "$(grep -c '^shown_after_ms=' "$work/resident.err")" -eq "$shows"
kill "$dialog"
check "one after the inhibitor went" eventually covered
as_sway_user "$pointer" 300

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

start_saver
launch_as_sway_user "$work/resident.err" "$saver" --idle 60
resident=$launched
sleep 0.3
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
