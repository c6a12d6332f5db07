#!/usr/bin/env bash
# The resident (glimmerhex-wayland --idle) under GNOME's mutter, headless: idle from its
# idle monitor, inhibitors from a stand-in session manager (gnome_session.py). mutter lets
# no client take screenshots: the counted build's report says what it drew.
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
check "no show while idle is inhibited" no_show_for 3.5
kill -USR1 "$session"
check "once the inhibitor goes, idle counts from then" no_show_for 1.2
check "and two seconds later, a show" eventually eval '[ "$(resident_shows)" -eq 1 ]'
sleep 0.5
kill -USR2 "$session" # less than ends a show by itself: mutter's word that the user is back
ended_by_return() {
  grep -qE 'presenter=software window:1280x800:[0-9]+$' "$work/resident.err" && not has_ended "$resident"
}
check "the user's return ends the full-screen window's show; the resident stays" eventually ended_by_return
kill "$resident" "$session"
finish
