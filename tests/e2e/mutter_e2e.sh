#!/usr/bin/env bash
# The resident (glimmerhex-wayland --idle) under GNOME's mutter, headless: idle from its
# idle monitor, inhibitors from a stand-in session manager (gnome_session.py). mutter lets
# no client take screenshots: the counted build's report says what it drew.
# Usage: mutter_e2e.sh GLIMMERHEX_WAYLAND_COUNTED
set -uo pipefail
counted=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wayland_common.sh"

# The stand-in nudges the pointer (the user's return, for mutter): whether the show's report
# of its end follows within the milliseconds given.
return_ends_show_within() { # milliseconds
  local shows=$(grep -c presenter= "$work/resident.err") start=${EPOCHREALTIME/./} took
  kill -USR2 "$session"
  while [ "$(grep -c presenter= "$work/resident.err")" -eq "$shows" ] &&
    [ $((${EPOCHREALTIME/./} - start)) -lt 5000000 ]; do sleep 0.01; done
  took=$(((${EPOCHREALTIME/./} - start) / 1000))
  echo "  the show ended $took ms after the user's return"
  [ "$took" -le "$1" ]
}
launch_resident() { # afresh, once the one before has gone (one a compositor)
  [ -z "${resident:-}" ] || { kill "$resident" && wait "$resident"; }
  launch_as_sway_user "$work/resident.err" "$counted" --idle 2
  resident=$launched
}

check "mutter runs headless" start_compositor wl-mutter mutter --headless --wayland --no-x11 \
  --wayland-display=wl-mutter --virtual-monitor 1280x800
launch_as_sway_user "$work/session.log" python3 "$here/gnome_session.py" inhibited >"$work/session.out"
session=$launched
check "a stand-in session manager inhibits idle" eventually grep -q ready "$work/session.out"
launch_resident
check "no show while idle is inhibited" no_show_for 3.5
# What the session manager said holds while it is slow (4 s) or fails: the stand-in's SIGHUP
# turns it to the next way of answering, and the nudge starts another idle time.
kill -HUP "$session" && kill -USR2 "$session"
check "an inhibitor known, the session manager slow: no show at the next idle time" no_show_for 6
kill -HUP "$session" && kill -USR2 "$session"
check "nor with the session manager failing" no_show_for 3.5
kill -HUP "$session" # answering at once again
kill -USR1 "$session"
check "once the inhibitor goes, idle counts from then" no_show_for 1.2
check "and two seconds later, a show" eventually eval '[ "$(resident_shows)" -eq 1 ]'
sleep 0.5
kill -USR2 "$session" # less than ends a show by itself: mutter's word that the user is back
ended_by_return() {
  grep -qE 'presenter=software window:1280x800:[0-9]+$' "$work/resident.err" && not has_ended "$resident"
}
check "the user's return ends the full-screen window's show; the resident stays" eventually ended_by_return
kill -HUP "$session" # slow
check "the manager slow: a show at the idle time" eventually eval '[ "$(resident_shows)" -eq 2 ]'
kill -WINCH "$session" # an inhibitor of suspending only: asked about, answered 4 s later
sleep 0.5
check "meanwhile the user's return ends the show at once" return_ends_show_within 1000
# Nothing known yet: a show waits for the answer, or for the call to fail.
kill -USR1 "$session"
launch_resident
check "a fresh resident, the session manager slow and inhibited: no show" no_show_for 7
kill -HUP "$session" # failing
launch_resident
check "the session manager failing, nothing known: a show, and one line that says why" eventually \
  eval '[ "$(resident_shows)" -eq 1 ] && [ "$(grep -c "did not say" "$work/resident.err")" -eq 1 ]'

# GNOME blanks after its idle-delay, in the keyfile backend's file: auto covers the screen
# after half of it, and its first line says so (kwin_e2e has the warning for a time past it);
# a change made while it waits applies at once, counted from then, and no show comes before.
# The stand-in answers at once again, and holds no inhibitor.
kill -HUP "$session" && kill -USR1 "$session"
blank_after() { # seconds
  mkdir -p "$work/gsettings/glib-2.0/settings" &&
    printf '[org/gnome/desktop/session]\nidle-delay=uint32 %s\n' "$1" \
      >"$work/gsettings/glib-2.0/settings/keyfile" && chmod -R a+rX "$work/gsettings"
}
said() { # the seconds auto takes, GNOME's blank time
  eventually grep -qxF "glimmerhex-wayland: covering the outputs after $1 s without input (half of \
GNOME's $2 s blank; org.gnome.Mutter.IdleMonitor on the session bus)" "$work/resident.err"
}
blank_after 100
kill "$resident" && wait "$resident"
launch_as_sway_user "$work/resident.err" env GSETTINGS_BACKEND=keyfile \
  XDG_CONFIG_HOME="$work/gsettings" "$counted" --idle auto
resident=$launched
kill -USR2 "$session" # the last input, from which idle counts
check "--idle auto takes half of GNOME's blank time" said 50 100
blank_after 64
check "and follows it as it changes" said 32 64
check "and shows nothing for the first 28 s" no_show_for 28
check "then a show at 32 s" eventually eval '[ "$(resident_shows)" -eq 1 ]'
kill "$resident" "$session"
finish
