#!/usr/bin/env bash
# The real saver under Xvfb: what a person sees and what their keys and mouse do.
# Usage: saver_e2e.sh GLIMMERHEX GLIMMERHEX_COUNTED GLIMMERHEX_RENDER
set -uo pipefail
saver=$1 counted=$2 render=$3

source "$(dirname "$0")/common.sh"
use_own_folders
start_xvfb -fp built-ins # a second display, whose fonts are too few for a message box
second_display=$DISPLAY second_xvfb=$!
start_xvfb

store_choices 01 13 # "Heated" with "Heat", stored as the dialog would

start_saver() {
  "$saver" /s 2>"$work/saver.err" &
  pid=$!
  for _ in $(seq 50); do # until the window is mapped, then a moment for its first frames
    xdotool search --onlyvisible --name '^Glimmerhex$' >/dev/null 2>&1 && break
    sleep 0.1
  done
  sleep 1
}
running() { kill -0 "$pid" 2>/dev/null; }
ends_with_zero() { # waits up to 5 s for the saver to end; true if it ended with 0
  for _ in $(seq 50); do running || break; sleep 0.1; done
  if running; then echo "  still running"; kill "$pid"; return 1; fi
  wait "$pid" || { echo "  ended with $?"; return 1; }
}
window_count() { xdotool search "$@" --name '^Glimmerhex$' 2>/dev/null | wc -l; }
# SDL's message box, found by its title and its size (xdotool cannot read its title).
box_window() { xwininfo -root -children | awk '/"Glimmerhex"/ && !/1024x768/ { print $1 }'; }
box_shows() { [ -n "$(box_window)" ]; }
milliseconds_since() { echo $((($(date +%s%N) - $1) / 1000000)); }
says_once() { [ "$(wc -l <"$2")" -eq 1 ] && grep -qx "$1" "$2"; } # LINE PATTERN, FILE
# A visual the server does not have: SDL cannot create the saver window.
start_without_window() {
  SDL_VIDEO_X11_WINDOW_VISUALID=0x7777 "$saver" /s 2>"$work/nowindow.err" &
  pid=$!
}

palette_colours "$render" 19 "$work/palette.txt"
shows_palette_colours() {
  screenshot_colours "$work/shot.txt" || return 1
  local colours outside
  colours=$(wc -l <"$work/shot.txt")
  outside=$(comm -23 "$work/shot.txt" "$work/palette.txt" | wc -l)
  echo "  screenshot: $colours colours, $outside outside the palette"
  [ "$colours" -gt 4 ] && [ "$outside" -eq 0 ]
}

start_saver
check "/s shows the automaton in the palette's colours" eventually shows_palette_colours
xdotool key a c g x; sleep 0.5
check "A, C, G and X do not end it" running
xdotool mousemove 10 10; sleep 0.2; xdotool mousemove 700 500; sleep 0.3
check "moving the mouse does not end it" running
xdotool click 4 click 5 click 8 click 9; sleep 0.3
check "nor do the wheel and the side buttons" running
timeout 5 "$saver" /s; second=$?
check "a second /s exits at once with 0" test "$second" -eq 0
check "and opens no second window" test "$(window_count)" -eq 1
timeout 5 "$saver" /c; check "the dialog does not start while a saver runs" test $? -eq 0
xdotool key Escape
check "Escape ends it with exit code 0" ends_with_zero

# A dangling link planted where the marker lies is never followed: nothing is made through
# it, and the saver still runs (the display's selection guards alone).
marker=$(ls "$XDG_RUNTIME_DIR"/glimmerhex-*.lock)
rm "$marker" && ln -s "$work/planted" "$marker"
start_saver
check "a link planted at the marker is not followed, and the saver runs" \
  eval 'running && test ! -e "$work/planted"'
xdotool key q
check "Q ends it with exit code 0" ends_with_zero
rm "$marker"

# On a Cyrillic layout the keys where A, C, G and X sit on a US keyboard are the command
# keys; on a Latin one the letters typed are, wherever they sit (French AZERTY has A at the
# US Q and Q at the US A).
for keys in "ru:Cyrillic_ef Cyrillic_es Cyrillic_pe Cyrillic_che:Cyrillic_shorti" "fr:a c g x:q"; do
  IFS=: read -r layout commands other <<<"$keys"
  setxkbmap -layout "$layout"
  start_saver
  xdotool key $commands
  sleep 0.5
  check "on the $layout layout, A, C, G and X do not end it" running
  xdotool key "$other"
  check "and $other does" ends_with_zero
done
setxkbmap -layout us

start_saver
xdotool key shift
check "Shift alone ends it" ends_with_zero

# A key must end it at once even while other work keeps both cores busy. At nice 19 the
# saver waits its turn, which the scheduler gives in slices of a few hundred milliseconds:
# the middle of three presses is measured.
key_to_gone_under_load() { # prints milliseconds; true if the saver then ended with 0
  local busy=() start
  start_saver
  for _ in 1 2; do (while :; do :; done) & busy+=($!); done
  sleep 1
  start=$(date +%s%N)
  xdotool key q
  while [ "$(window_count --onlyvisible)" -gt 0 ] && [ "$(milliseconds_since "$start")" -lt 10000 ]; do
    sleep 0.01
  done
  milliseconds_since "$start"
  kill "${busy[@]}"
  ends_with_zero >/dev/null
}
ends_quickly_under_load() {
  local times=() took
  for _ in 1 2 3; do
    took=$(key_to_gone_under_load) || return 1
    times+=("$took")
  done
  echo "  key to window gone with both cores busy: ${times[*]} ms"
  [ "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 2p)" -lt 500 ]
}
check "a key ends it within 500 ms while both cores are busy, and it exits with 0" \
  ends_quickly_under_load

start_saver
xdotool mousemove 500 400 sleep 0.3 click 1 # as a hand would: the pointer moves, then clicks
check "a mouse click ends it" ends_with_zero

timeout 5 "$saver" /p 77; status=$?
check "/p 77 ends at once with 0" test "$status" -eq 0
check "and opens no window" test "$(window_count)" -eq 0

# A marker path that is not a regular file blocks no run, whatever the run: a FIFO there
# (opening one waits for a writer) stops neither the switches that end at once nor the
# dialog.
marker=$XDG_RUNTIME_DIR/glimmerhex-$DISPLAY.0.lock
rm -f "$marker" # the runs above left their marker there
mkfifo "$marker"
check "the marker's path is a FIFO" test -p "$marker"
for switch in /p /a /l; do
  timeout 5 "$saver" $switch; status=$?
  check "with a FIFO at the marker's path, $switch ends at once with 0" test "$status" -eq 0
done
"$saver" /c &
pid=$!
check "and the dialog opens" eventually eval '[ "$(window_count --onlyvisible)" -eq 1 ]'
kill "$pid"
wait "$pid"
rm "$marker"

# Where no display answers, one line says why, also where SDL could try a box through
# zenity (this stand-in fails there as the real one does, and SDL counts the box as shown).
mkdir "$work/bin" && printf '#!/bin/sh\necho "zenity: cannot open display" >&2\nexit 1\n' \
  >"$work/bin/zenity" && chmod +x "$work/bin/zenity"
for no_display in "-u DISPLAY" "DISPLAY=:7919" "-u DISPLAY WAYLAND_DISPLAY=wayland-99"; do
  env $no_display PATH="$work/bin:$PATH" "$saver" /s 2>"$work/nodisplay.err"; status=$?
  check "with $no_display the run still exits 0" test "$status" -eq 0
  check "and one line on stderr says why" \
    says_once 'Glimmerhex: Cannot start the display: .*' "$work/nodisplay.err"
done

start_without_window
check "a window that cannot be made is reported in a box" eventually box_shows
xdotool windowfocus --sync "$(box_window)" key Return
check "closing the box ends the run with 0" ends_with_zero
check "and nothing more is said" test ! -s "$work/nowindow.err"
# No box can show there: SDL's own needs fonts that display lacks, and no helper program
# (zenity, which would show one) is to be found, whatever this machine has installed.
DISPLAY=$second_display PATH=$work/nothing start_without_window
check "where no box can show, it ends with 0" ends_with_zero
check "and one line on stderr names the cause" \
  says_once 'Glimmerhex: Cannot create the saver window.*' "$work/nowindow.err"

# One saver a display, for sure: of two starts at one moment only one runs, also where the
# marker has to live in a folder of our own; a saver elsewhere or an orphaned message box
# blocks nothing.
only_one_of_two_runs() { # optionally, a command each start runs under
  ${1:-} "$saver" /s 2>/dev/null &
  local first=$!
  ${2:-} "$saver" /s 2>/dev/null &
  local second=$! alive=()
  sleep 3
  for pid in $first $second; do running && alive+=("$pid"); done
  echo "  ${#alive[@]} of two starts running, $(window_count --onlyvisible) window(s)"
  kill "${alive[@]}" 2>/dev/null
  wait "$first" "$second"
  [ "${#alive[@]}" -eq 1 ]
}
check "of two starts at one moment only one runs" only_one_of_two_runs
export TMPDIR=$work/tmp
mkdir -m 1777 "$TMPDIR"
own_folder=$TMPDIR/glimmerhex-$(id -u)
XDG_RUNTIME_DIR=$work/missing check "so too with XDG_RUNTIME_DIR missing" only_one_of_two_runs
check "and its marker is in a folder only this user can use" \
  test "$(stat -c '%a %u %F' "$own_folder")" = "700 $(id -u) directory"
rm -r "$own_folder"
chmod o+x "$work"
setpriv --reuid=nobody --regid=nogroup --clear-groups mkdir -m 777 "$own_folder"
XDG_RUNTIME_DIR=$work/missing start_saver
check "another user's folder of that name is refused, and blocks nothing" running
xdotool key q
ends_with_zero
# The display decides: one saver whoever starts it (the other user has no session bus SDL
# would wait for), by whichever name of the display, also with no private folder to be had.
one_saver_a_display() {
  only_one_of_two_runs "" \
    "setpriv --reuid=nobody --regid=nogroup --clear-groups env DBUS_SESSION_BUS_ADDRESS=disabled:" &&
    only_one_of_two_runs "env DISPLAY=$DISPLAY" "env DISPLAY=unix$DISPLAY" &&
    XDG_RUNTIME_DIR=$work/missing only_one_of_two_runs
}
check "one saver a display across users, display names and a taken private folder" \
  one_saver_a_display
start_saver
saver_here=$pid
DISPLAY=$second_display start_saver
check "a saver on another display runs beside it" running
kill "$pid" "$saver_here"
wait "$pid" "$saver_here"
start_without_window
eventually box_shows
box_process=$(pgrep -P "$pid")
{ kill -KILL "$pid" && wait "$pid"; } 2>/dev/null
start_saver
check "a message box left behind by a killed saver blocks no start" running
kill "$pid" $box_process 2>/dev/null
wait "$pid"

# The host's signals end it within 200 ms with 0 and nothing left on the screen, in every
# state, a set-up failure box included.
ends_on_signal() { # SIGNAL
  local start took status
  start=$(date +%s%N)
  kill -"$1" "$pid"
  while running && [ "$(milliseconds_since "$start")" -lt 2000 ]; do sleep 0.01; done
  took=$(milliseconds_since "$start")
  running && kill -KILL "$pid"
  wait "$pid"
  status=$?
  for _ in $(seq 20); do box_shows || break; sleep 0.01; done
  echo "  SIG$1: status $status after $took ms"
  [ "$status" -eq 0 ] && [ "$took" -lt 200 ] && [ "$(window_count --onlyvisible)" -eq 0 ] &&
    not box_shows
}
for signal in TERM INT HUP; do
  start_saver
  check "SIG$signal ends it" ends_on_signal $signal
done
start_without_window
eventually box_shows
check "SIGTERM ends it while its failure box is open, and the box goes too" ends_on_signal TERM
start_saver
check "and a new saver starts at once" running
xdotool key q
ends_with_zero

# The display's own blanking (and with it power saving and locking) keeps its timer.
screen_saver_on() { [ "$(python3 "$(dirname "$0")/screen_saver_state.py")" = on ]; }
xset s 2 2
start_saver
check "the display's own screen saver still starts on its timer" eventually screen_saver_on
xset s off
xset s reset
xdotool key q
ends_with_zero

# Speed, the renderer at the saver's own nice 19.
end_with_q() { xdotool key q; }
check "the saver keeps at least 30% of the headless tick rate" \
  keeps_headless_share 30 19 end_with_q "$counted" /s

DISPLAY=$second_display start_saver
kill "$second_xvfb"
check "losing the display ends it with 0" ends_with_zero
check "and one line on stderr says so" says_once 'Glimmerhex: lost the display :[0-9.]*' "$work/saver.err"

finish
