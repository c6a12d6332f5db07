#!/usr/bin/env bash
# glimmerhex-wayland and glimmerhex /s on a Wayland desktop: a headless sway (pixman, so
# screenshots show the clients' own scaling) with two outputs and a third plugged in
# later. Input comes from wtype's virtual keyboard and from wayland-pointer.
# Usage: wayland_e2e.sh GLIMMERHEX_WAYLAND GLIMMERHEX_WAYLAND_COUNTED GLIMMERHEX
#                       WAYLAND_POINTER GLIMMERHEX_RENDER
set -uo pipefail
saver=$(realpath "$1") counted=$(realpath "$2") glimmerhex=$(realpath "$3")
pointer=$(realpath "$4") render=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
source "$here/picture_checks.sh"
source "$here/wayland_common.sh"
before_cleanup() { stop_sway; }

palette_colours "$render" 19 "$work/palette.txt"
start_sway 1280x800
add_output HEADLESS-2 1024x768 1280 0
store_choices
stored=$(md5sum <"$runtime/.config/Orvandel/Glimmerhex.reg")
layer_surfaces() { grep -c 'new layer surface: namespace glimmerhex' "$work/sway.log"; }

# Bad input: one line naming the problem, status 1, and no surface.
refuses() { # text the line must hold, then the command
  local want=$1 status surfaces
  shift
  surfaces=$(layer_surfaces)
  "$@" 2>"$work/err.txt"; status=$?
  echo "  status $status: $(head -n 1 "$work/err.txt")"
  [ "$status" -eq 1 ] && [ "$(wc -l <"$work/err.txt")" -eq 1 ] && grep -qF -- "$want" "$work/err.txt" &&
    [ "$(layer_surfaces)" -eq "$surfaces" ]
}
check "--effect 9 is refused" refuses "--effect takes 0 (random) to 7, not '9'" \
  as_sway_user timeout 5 "$saver" --effect 9
check "an option of the hack's is refused" refuses "unknown option '--root'" \
  as_sway_user timeout 5 "$saver" --root
check "no compositor is refused" refuses "no Wayland compositor" \
  as_sway_user env -u WAYLAND_DISPLAY timeout 5 "$saver"
check "nor one without a runtime folder" refuses "XDG_RUNTIME_DIR is not set" \
  as_sway_user env -u XDG_RUNTIME_DIR timeout 5 "$saver"

start_saver() { # arguments for the counted program; its pid in $pid, stderr in saver.err
  launch_as_sway_user "$work/saver.err" "$counted" "$@"
  pid=$launched
  sleep 1.2 # connected, configured and a few frames drawn
}
# The pointer rests on the first output before each saver starts: moving it there is a
# move like any other.
as_sway_user "$pointer" to 640 400 3104 800
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
tremble() { # the pointer moved by three pixels and two
  as_sway_user "$pointer" wait 300 by 3 2 && sleep 0.3 && not has_ended "$pid"
}
check "a tremor of the pointer does not end it" tremble
# The pointer tool times the end from when the compositor had its last action.
ended_by_pointer() { # pointer actions; then the saver must be gone within 100 ms, status 0
  local said status
  said=$(as_sway_user "$pointer" "$@" gone "$pid") || { echo "  still running"; kill "$pid"; }
  wait "$pid"; status=$?
  echo "  $said, status $status"
  [ "$status" -eq 0 ] && [ -n "$said" ] && [ "$(tr -dc 0-9 <<<"$said")" -lt 100 ]
}
check "a click ends it within 100 ms, with status 0" ended_by_pointer wait 300 click
paced() { # the counted run's report: generations, and the frames each output drew
  local report rate seconds frames
  report=$(grep -o 'generations=.*' "$work/saver.err")
  echo "  $report"
  rate=$(sed -n 's/.*generations_per_second=\([0-9.]*\).*/\1/p' <<<"$report")
  seconds=$(awk -v r="$rate" -v g="$(sed -n 's/generations=\([0-9]*\).*/\1/p' <<<"$report")" \
    'BEGIN { print (r > 0 ? g / r : 0) }')
  frames=$(grep -oE 'layer:[0-9x]+:[0-9]+' <<<"$report" | tr '\n' ' ')
  # Headless frames take their drawing time on top of the refresh: more than 20 a second.
  grep -q 'layer:1280x800:.* layer:1024x768:.* layer:800x600:' <<<"$report" &&
    awk -v r="$rate" 'BEGIN { exit !(r >= 45 && r <= 61) }' &&
    awk -v s="$seconds" -v f="$frames" 'BEGIN {
      n = split(f, each, " ")
      for (i = 1; i <= n; i++) { split(each[i], part, ":"); if (part[3] < 20 * (s - 1)) exit 1 }
    }'
}
check "one generation a refresh, each of the three outputs drawing more than 20 frames a second" paced

check "without a GPU the picture is scaled in memory" grep -q 'presenter=software' "$work/saver.err"

# OpenGL ES asked for by name: Mesa's software rasteriser here, with the same sharp picture.
start_saver --renderer accelerated --effect 1 --palette 19
sleep 1 # software OpenGL is slow to start
check "the accelerated renderer draws the same picture" output_shows_picture HEADLESS-1 1280 800 4
check "and the second output too" output_shows_picture HEADLESS-2 1024 768
as_sway_user wtype -s 300 -k space &
check "a key ends it" ended_with_status_0 "$pid" 3
check "through OpenGL ES" grep -q 'presenter=accelerated' "$work/saver.err"
start_saver --effect 1 --palette 19
check "a real move of the pointer ends it within 100 ms" ended_by_pointer wait 300 by 40 0
start_saver --effect 1 --palette 19
check "and so does the wheel" ended_by_pointer wait 300 wheel
for signal in TERM INT HUP; do
  start_saver
  check "SIG$signal ends it within 100 ms with status 0" ends_quickly "$pid" "$signal"
done

# --wallpaper: under the windows, deaf to keys.
start_saver --wallpaper --effect 1 --palette 19
check "--wallpaper draws on the background layer" \
  grep -q 'new layer surface: namespace glimmerhex layer 0' "$work/sway.log"
check "and shows the picture" output_shows_picture HEADLESS-1 1280 800 4
as_sway_user wtype -s 300 -k space
as_sway_user "$pointer" wait 300 click
check "keys and clicks do not end it" not has_ended "$pid"
check "SIGTERM does" ends_quickly "$pid" TERM

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

soon() { # a check that may take a few seconds to come true, tried once a second
  local _
  for _ in 1 2 3 4 5; do "$@" && return 0; sleep 1; done
  return 1
}

# glimmerhex /s, natively, with the keyboard's focus on the second output, and DISPLAY set
# to a working X server as well: it still runs on Wayland, where the focus is.
start_xvfb
as_sway_user swaymsg focus output HEADLESS-2 >/dev/null
launch_as_sway_user "$work/s.err" env DISPLAY="$DISPLAY" "$glimmerhex" /s
pid=$launched
on_focused_output() { # the window, full screen in the tree under HEADLESS-2
  as_sway_user swaymsg -t get_tree | python3 -c '
import json, sys
def windows(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from windows(child)
outputs = {o["name"]: o for o in json.load(sys.stdin)["nodes"]}
sys.exit(not any(w.get("app_id") == sys.argv[1] and w.get("fullscreen_mode") == 1
                 for w in windows(outputs.get("HEADLESS-2", {}))))' "$(basename "$glimmerhex")"
}
check "glimmerhex /s is full screen on the output with the focus" soon on_focused_output
# Unpaced at nice 19 beside the compositor, it may take a moment to grow colours.
check "sharp and letterboxed there" soon output_shows_picture HEADLESS-2 1024 768
output_is_empty() { # at most the desktop's one background colour
  local colours
  colours=$(as_sway_user grim -o "$1" - | convert - -unique-colors -depth 8 txt:- | tail -n +2 | wc -l)
  echo "  $1: $colours colours"
  [ "$colours" -le 1 ]
}
check "and nothing on the other" output_is_empty HEADLESS-1
as_sway_user wtype -s 300 -k space &
check "a key ends it" ended_with_status_0 "$pid" 3

# The compositor going away ends it with one line.
start_saver
stop_sway
lost() {
  ended_with_status_0 "$pid" 2 || return 1
  echo "  stderr: $(grep -v '^generations=' "$work/saver.err")"
  [ "$(grep -vc '^generations=' "$work/saver.err")" -eq 1 ] &&
    grep -q 'lost the connection to the Wayland compositor' "$work/saver.err"
}
check "losing the compositor ends it, status 0, one line" lost

finish
