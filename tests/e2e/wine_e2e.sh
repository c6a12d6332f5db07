#!/usr/bin/env bash
# The Windows saver under Wine on Xvfb: the 64-bit build of the same sources under wine64,
# or the 32-bit product itself under the 32-bit loader (wine32), as the .scr is built.
# DirectDraw's 8-bit modes exist only inside a Wine virtual desktop, so runs that show
# something run in one.
# Usage: wine_e2e.sh GLIMMERHEX_SCR RUN_AND_REPORT_EXE GLIMMERHEX_RENDER
set -uo pipefail
scr=$1 reporter=$2 render=$3
if file -b "$scr" | grep -q '^PE32+'; then
  wine=/usr/lib/wine/wine64
  [ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
else
  wine=/usr/lib/wine/wine
  [ -x "$wine" ] || wine=$(command -v wine)
fi
echo "  $(basename "$scr"): $(file -b "$scr" | cut -d, -f1), under $wine"

source "$(dirname "$0")/common.sh"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
before_cleanup() { /usr/lib/wine/wineserver64 -k 2>/dev/null || wineserver -k 2>/dev/null; }
cp "$scr" "$work/glimmerhex.scr"
cp "$reporter" "$work/report.exe"
start_xvfb
"$wine" wineboot -i >/dev/null 2>&1
key=HKCU\\Software\\Orvandel\\Glimmerhex
store() { "$wine" reg add "$key" /v "$1" /t REG_BINARY /d "$2" /f >/dev/null 2>&1; }
stored() { "$wine" reg query "$key" /v "$1" 2>/dev/null | grep -q "REG_BINARY *$2"; }

# Runs glimmerhex.scr with the given switches in a virtual desktop; its exit code lands
# in $work/exit.
start_in_desktop() {
  rm -f "$work/exit"
  (cd "$work" && "$wine" explorer /desktop=Glimmerhex,1024x768 report.exe exit glimmerhex.scr "$@" \
    >/dev/null 2>&1 &)
}
running() { ps -C glimmerhex.scr -o stat= | grep -qv Z; } # an exited one may linger unreaped
exit_code_is_zero() {
  for _ in $(seq 100); do [ -s "$work/exit" ] && break; sleep 0.1; done
  [ "$(tr -d '\r\n' <"$work/exit" 2>/dev/null)" = 0 ]
}
desktop() { xdotool search --name 'Wine desktop' 2>/dev/null | head -n 1; }
# The dialog is drawn, so its lists are filled and keys reach it: the middle of the
# desktop shows more than the desktop's own colour.
dialog_drawn() {
  screenshot_colours "$work/shot.txt" -crop 200x100+412+334 && [ "$(wc -l <"$work/shot.txt")" -gt 2 ]
}

# "Heated" with "Heat", and the colours that palette holds.
store Version 03; store GraphicEffect 01; store PaletteScheme 13
palette_colours "$render" 19 "$work/palette.txt"
shows_the_automaton() { # the desktop switched to 320 x 200 and shows the palette's colours
  local window geometry colours outside
  window=$(desktop)
  [ -n "$window" ] || return 1
  geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
  screenshot_colours "$work/shot.txt" -crop 320x200+0+0 || return 1
  colours=$(wc -l <"$work/shot.txt")
  outside=$(comm -23 "$work/shot.txt" "$work/palette.txt" | wc -l)
  echo "  desktop $geometry, $colours colours, $outside outside the palette"
  [ "$geometry" = 320x200 ] && [ "$colours" -gt 4 ] && [ "$outside" -eq 0 ]
}

start_in_desktop /s
check "/s shows the automaton in 320 x 200 in the palette's colours" eventually shows_the_automaton
xdotool key x; sleep 1
check "X does not end it" running
xdotool key q
check "Q ends it with exit code 0" exit_code_is_zero
sleep 1
check "and the process is gone" not running

"$wine" reg delete "$key" /f >/dev/null 2>&1
start_in_desktop
check "with no switch the dialog opens (and creates the key)" eventually stored Version 03
eventually dialog_drawn
sleep 1
xdotool key Tab Down Down Return # OK has the focus; the effect list comes next
check "Enter closes the dialog, exit code 0" exit_code_is_zero
check "the key holds Version 3" stored Version 03
check "and the effect chosen from the keyboard" stored GraphicEffect 02
check "and the palette" stored PaletteScheme 00

# Stored "Plasma Lite" and "Yellow - Green - Red - Blue Smooth" open selected: one step
# down from the effect is "Plasma Max".
store GraphicEffect 05; store PaletteScheme 24
start_in_desktop /c:77
eventually dialog_drawn
sleep 1
xdotool key Tab Down Return
check "a stored choice opens selected" exit_code_is_zero
check "one step down from Plasma Lite is Plasma Max" stored GraphicEffect 06
check "the stored palette is written back" stored PaletteScheme 24

for switch in "/p 77" /a; do
  rm -f "$work/exit"
  (cd "$work" && timeout 20 "$wine" report.exe exit glimmerhex.scr $switch >/dev/null 2>&1)
  check "'$switch' ends at once with 0" exit_code_is_zero
done

finish
