#!/usr/bin/env bash
# The resident (glimmerhex-wayland --idle) under GNOME's compositor, mutter, headless: idle
# comes from mutter's idle monitor, and inhibitors from the session manager, here a stand-in
# (gnome_session.py) that also moves the mouse through mutter's remote desktop. mutter has
# no layer-shell and lets no client take screenshots: the counted build's report says what
# it drew.
# Usage: mutter_e2e.sh GLIMMERHEX_WAYLAND_COUNTED
set -uo pipefail
counted=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
source "$here/host_checks.sh"
source "$here/wayland_common.sh"
before_cleanup() { stop_compositor; }

check "mutter runs headless" start_compositor wl-mutter mutter --headless --wayland --no-x11 \
  --wayland-display=wl-mutter --virtual-monitor 1280x800
launch_as_sway_user "$work/session.log" python3 "$here/gnome_session.py" inhibited >"$work/session.out"
session=$launched
check "a stand-in session manager inhibits idle" eventually grep -q ready "$work/session.out"
launch_as_sway_user "$work/resident.err" "$counted" --idle 2
resident=$launched
check "the resident listens to mutter's idle monitor" eventually \
  grep -q '(org.gnome.Mutter.IdleMonitor on the session bus)$' "$work/resident.err"
shows() { grep -c '^shown_after_ms=' "$work/resident.err"; }
sleep 3.5
check "no show while idle is inhibited" test "$(shows)" -eq 0
kill -USR1 "$session"
sleep 1.2
check "once the inhibitor goes, idle counts from then" test "$(shows)" -eq 0
check "and two seconds later, a show" eventually eval 'test "$(shows)" -eq 1'
sleep 0.5
kill -USR2 "$session" # less than ends a show by itself: mutter's word that the user is back
ended_by_return() {
  grep -qE 'presenter=software window:1280x800:[0-9]+$' "$work/resident.err" && not has_ended "$resident"
}
check "the user's return ends the full-screen window's show; the resident stays" eventually ended_by_return
kill -USR1 "$session" # a show begun meanwhile gives way to it
sleep 0.5
before=$(shows)
sleep 3
check "an inhibitor again: no show" test "$(shows)" -eq "$before"
kill "$resident" "$session"
finish
