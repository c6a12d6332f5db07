#!/usr/bin/env bash
# The real configuration dialog under Xvfb, driven from the keyboard.
# Usage: dialog_e2e.sh GLIMMERHEX
set -uo pipefail
saver=$1

source "$(dirname "$0")/common.sh"
use_own_folders
store=$XDG_CONFIG_HOME/Orvandel/Glimmerhex.reg
start_xvfb

# Opens the dialog with the given switches and gives it the keyboard.
open_dialog() {
  "$saver" "$@" 2>"$work/dialog.err" &
  pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Glimmerhex$' 2>/dev/null | tail -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || return 1
  xdotool windowfocus --sync "$window"
  sleep 0.3
}
press() { for key in "$@"; do xdotool key "$key"; done; sleep 0.3; }
ended_with_zero() {
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && return 1
  wait "$pid"
}
stored() { grep -q "\"$1\"=hex:$2" "$store"; }
dialog_size_fits_template() { # 200 x 130 dialog units at the 8-point font: about 300 x 210
  local size width height
  size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
  width=${size%x*} height=${size#*x}
  echo "  dialog is ${width} x ${height} pixels"
  [ "$width" -ge 240 ] && [ "$width" -le 420 ] && [ "$height" -ge 170 ] && [ "$height" -le 280 ]
}

check "a dialog run opens the dialog" open_dialog
check "its first run creates the store holding 0 and 0" \
  bash -c "grep -q '\"Version\"=hex:03' '$store' && grep -q '\"GraphicEffect\"=hex:00' '$store' && grep -q '\"PaletteScheme\"=hex:00' '$store'"
check "it is laid out at the template's size" dialog_size_fits_template
centred() {
  local place size
  place=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p')
  size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
  echo "  dialog at $place"
  awk -v x="${place%,*}" -v y="${place#*,}" -v w="${size%x*}" -v h="${size#*x}" \
    'BEGIN { dx = x + w / 2 - 512; dy = y + h / 2 - 384; exit !(dx * dx <= 4 && dy * dy <= 4) }'
}
check "it is centred on the screen" centred
# Tab order: OK, the effect list, the palette list, Cancel. 22 steps down is "Icy Heat".
press Tab Tab
for _ in $(seq 22); do xdotool key Down; done
press Return
check "Enter closes it and the run exits 0" ended_with_zero
check "the palette chosen from the keyboard is stored" stored PaletteScheme 16
check "the untouched effect is written back as it was" stored GraphicEffect 00

cp "$store" "$work/before.reg"
open_dialog /c:77
press Tab Down Down Tab Down
press Escape
check "Escape closes it" ended_with_zero
check "and writes nothing" cmp -s "$store" "$work/before.reg"

# Stored "Plasma Lite" opens selected: one step down from it is "Plasma Max".
store_choices 05 24
open_dialog -c 77
press Tab Down Return
check "a stored choice opens selected" stored GraphicEffect 06
check "the other stays" stored PaletteScheme 24
ended_with_zero

# Enter presses the push button that has the focus: on Cancel it cancels.
cp "$store" "$work/before.reg"
open_dialog
press Tab Down Tab Tab Return
check "Enter on the focused Cancel closes it" ended_with_zero
check "and writes nothing" cmp -s "$store" "$work/before.reg"

# A list copies its selection when it gains or loses the focus: a stored 200 shows no
# selection, so passing through that list stores 255.
store_choices 05 c8
open_dialog
press Tab Tab Return
ended_with_zero
check "focus passing through a list with no selection stores 255" stored PaletteScheme ff

# OK that cannot save says so, naming the file and why, and the run still ends with 0.
rm "$store" && mkdir "$store"
boxes() { [ "$(xdotool search --onlyvisible --name '^Glimmerhex$' 2>/dev/null | wc -l)" -eq 2 ]; }
box_text() { # the box's text, selected and copied as a user would
  xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Glimmerhex$' | tail -n 1)"
  press Tab ctrl+a ctrl+c
  /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk, Gdk
print(Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).wait_for_text())'
}
open_dialog
press Return
check "OK that cannot save shows a box over the dialog" eventually boxes
box_text >"$work/box.txt"
echo "  the box says: $(cat "$work/box.txt")"
check "naming the file and the reason" grep -qF "$store: Is a directory" "$work/box.txt"
press Return
check "dismissing it ends the run with 0" ended_with_zero
rmdir "$store"

for switch in /c -C /x /1; do
  open_dialog "$switch"; shown=$?
  press Escape
  check "'$switch' shows the dialog" test "$shown" -eq 0
  ended_with_zero
done

env -u DISPLAY "$saver" /c 2>"$work/nodisplay.err"; status=$?
check "with no display a dialog run exits 0" test "$status" -eq 0
check "and says why" grep -q 'no display' "$work/nodisplay.err"

finish
