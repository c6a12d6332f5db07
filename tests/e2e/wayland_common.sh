# Shared by the Wayland scripts, which source it alone: with common.sh and host_checks.sh,
# headless sway (pixman), KWin or mutter, run with its clients as an unprivileged user (sway
# refuses root), and checks of what an output shows. Xwayland stays off: other programs
# here may hold the X sockets. Whatever compositor a script started goes at its end.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$(dirname "${BASH_SOURCE[0]}")/host_checks.sh"
before_cleanup() { stop_sway; stop_compositor; }

runtime=$work/runtime # the compositor's and its clients' XDG_RUNTIME_DIR and HOME
sway_pid=""
as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi

start_sway() { # first output's size; sets WAYLAND_DISPLAY and SWAYSOCK
  chmod 755 "$work"
  install -d -m 700 "$runtime"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$runtime"
  printf 'xwayland disable\noutput HEADLESS-1 resolution %s position 0 0\n' "$1" >"$work/sway.conf"
  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.conf" -d >"$work/sway.log" 2>&1 &
  sway_pid=$!
  local _
  for _ in $(seq 100); do ls "$runtime"/wayland-? "$runtime"/sway-ipc.*.sock &>/dev/null && break; sleep 0.1; done
  WAYLAND_DISPLAY=$(cd "$runtime" && ls wayland-? | head -n 1)
  SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock)
  export WAYLAND_DISPLAY SWAYSOCK
  as_sway_user swaymsg -t get_version >/dev/null
}
stop_sway() {
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
  sway_pid=""
}

# KWin or mutter, as sway's user, on a session bus its clients share (GNOME's idle monitor
# is there): sets WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS; its log in compositor.log.
compositor_pid="" bus_pid=""
start_compositor() { # its socket's name, then its command line
  chmod 755 "$work"
  install -d -m 700 "$runtime"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$runtime"
  local user=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime") _
  { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } < <("${user[@]}" dbus-daemon --session \
    --fork --print-address=1 --print-pid=1)
  export WAYLAND_DISPLAY=$1 DBUS_SESSION_BUS_ADDRESS SWAYSOCK=""
  shift
  "${user[@]}" DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" "$@" >"$work/compositor.log" 2>&1 &
  compositor_pid=$!
  for _ in $(seq 150); do [ -S "$runtime/$WAYLAND_DISPLAY" ] && return; sleep 0.1; done
  echo "  no compositor: $(tail -n 3 "$work/compositor.log")"
  return 1
}
stop_compositor() { kill $compositor_pid $bus_pid 2>/dev/null; }

# A client of the compositor, as its user, with XDG_CONFIG_HOME (the stored choices) kept.
sway_user_environment() {
  client=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime"
    WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SWAYSOCK="$SWAYSOCK"
    XDG_CONFIG_HOME="${XDG_CONFIG_HOME:-$runtime/.config}"
    ${DBUS_SESSION_BUS_ADDRESS:+DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS})
}
as_sway_user() {
  sway_user_environment
  "${client[@]}" "$@"
}
# In the background, the program itself $launched (setpriv and env exec it), for signals.
launch_as_sway_user() { # file for stderr, command
  local errors=$1
  shift
  sway_user_environment
  "${client[@]}" "$@" 2>"$errors" &
  launched=$!
}
add_output() { # name size x y: a new headless output, while clients run
  as_sway_user swaymsg create_output >/dev/null &&
    as_sway_user swaymsg output "$1" resolution "$2" position "$3" "$4" | grep -q '"success": true'
}

# "Heated" with "Heat" as the dialog stores them, in the compositor's user's settings.
store_choices_for_sway() {
  store_choices 01 13 "$runtime/.config"
  [ "$(id -u)" -ne 0 ] || chown -R nobody:nogroup "$runtime/.config"
}

# A screenshot of one output, checked by picture_fits (host_checks.sh).
output_shows_picture() { # output width height [block]
  local name=$1
  shift
  as_sway_user grim -o "$name" - >"$work/output.png" 2>/dev/null || { echo "  grim failed"; return 1; }
  picture_fits "$work/output.png" "$@"
}

# The resident's shows so far, from the counted build's report (resident.err), and whether
# none starts in the seconds given.
# (Its report may not exist yet: a program launched in the background opens it itself.)
resident_shows() { cat "$work/resident.err" 2>/dev/null | grep -c '^shown_after_ms='; }
no_show_for() { # seconds
  local before=$(resident_shows) && sleep "$1" && [ "$(resident_shows)" -eq "$before" ]
}
