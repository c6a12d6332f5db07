# Shared by the Wayland scripts (after common.sh): a headless compositor (sway with the
# pixman renderer, or GNOME's mutter) run with its clients as an unprivileged user (sway
# refuses root), and checks of what an output shows. Xwayland stays off: other programs
# here may hold the X sockets.

runtime=$work/runtime # the compositor's and its clients' XDG_RUNTIME_DIR and HOME
sway_pid="" mutter_pid="" bus_pid=""
SWAYSOCK="" DBUS_SESSION_BUS_ADDRESS=""
as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups); fi

prepare_runtime() {
  chmod 755 "$work"
  install -d -m 700 "$runtime"
  [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$runtime"
  return 0
}

start_sway() { # first output's size; sets WAYLAND_DISPLAY and SWAYSOCK
  prepare_runtime
  printf 'xwayland disable\noutput HEADLESS-1 resolution %s position 0 0\n' "$1" >"$work/sway.conf"
  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.conf" -d >"$work/sway.log" 2>&1 &
  sway_pid=$!
  local _
  for _ in $(seq 100); do
    ls "$runtime"/wayland-? "$runtime"/sway-ipc.*.sock >/dev/null 2>&1 && break
    sleep 0.1
  done
  WAYLAND_DISPLAY=$(cd "$runtime" && ls wayland-? | head -n 1)
  SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock)
  export WAYLAND_DISPLAY SWAYSOCK
  as_sway_user swaymsg -t get_version >/dev/null
}
stop_sway() {
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
  sway_pid=""
}

# mutter, headless, with a virtual monitor of each size given, on a session bus of its own
# (its remote-desktop and idle-monitor interfaces are there); sets WAYLAND_DISPLAY and
# DBUS_SESSION_BUS_ADDRESS.
start_mutter() { # sizes
  local monitors=() size _
  prepare_runtime
  for size; do monitors+=(--virtual-monitor "$size"); done
  { read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } < <("${as_user[@]}" env -i \
    PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
    dbus-daemon --session --fork --print-address=1 --print-pid=1)
  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
    mutter --headless --wayland --no-x11 --wayland-display=glimmerhex-mutter "${monitors[@]}" \
    >"$work/mutter.log" 2>&1 &
  mutter_pid=$!
  for _ in $(seq 100); do [ -S "$runtime/glimmerhex-mutter" ] && break; sleep 0.1; done
  export WAYLAND_DISPLAY=glimmerhex-mutter DBUS_SESSION_BUS_ADDRESS
}
stop_mutter() {
  [ -n "$mutter_pid" ] && kill "$mutter_pid" 2>/dev/null && wait "$mutter_pid" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  mutter_pid="" bus_pid=""
}
# A client of the compositor, as its user, with XDG_CONFIG_HOME (the stored choices) kept.
sway_user_environment() {
  client=("${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime"
    WAYLAND_DISPLAY="$WAYLAND_DISPLAY" SWAYSOCK="$SWAYSOCK"
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
    XDG_CONFIG_HOME="${XDG_CONFIG_HOME:-$runtime/.config}")
}
as_sway_user() {
  sway_user_environment
  "${client[@]}" "$@"
}
# The same in the background: the program itself is $launched (setpriv and env exec it),
# so that signals and wait reach it. Its stderr goes to the file given.
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

# "Heated" with "Heat" as the dialog stores them, for a program started without choices.
store_choices() {
  mkdir -p "$runtime/.config/Orvandel"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvandel\\Glimmerhex]\r\n"Version"=hex:03\r\n"GraphicEffect"=hex:01\r\n"PaletteScheme"=hex:13\r\n' \
    >"$runtime/.config/Orvandel/Glimmerhex.reg"
  [ "$(id -u)" -eq 0 ] && chown -R nobody:nogroup "$runtime/.config"
  return 0
}

# A screenshot of one output, checked by picture_fits (picture_checks.sh).
output_shows_picture() { # output width height [block]
  local name=$1
  shift
  as_sway_user grim -o "$name" - >"$work/output.png" 2>/dev/null || { echo "  grim failed"; return 1; }
  picture_fits "$work/output.png" "$@"
}

# Whether a process has ended (gone, or a zombie not yet reaped by whoever adopted it).
has_ended() {
  [ ! -e "/proc/$1" ] || grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null
}
# The milliseconds until the given pid ends, waiting at most the given seconds; its exit
# status in $ended_status when it is our child.
ended_status=""
ends_within() { # seconds pid
  local deadline=$((${EPOCHREALTIME/./} + $1 * 1000000)) start=${EPOCHREALTIME/./}
  until has_ended "$2"; do
    [ "${EPOCHREALTIME/./}" -lt "$deadline" ] || { echo "  still running after $1 s"; return 1; }
    sleep 0.01
  done
  ended_ms=$(((${EPOCHREALTIME/./} - start) / 1000))
  wait "$2" 2>/dev/null
  ended_status=$?
  return 0
}
# A signal that must end a process of ours within 100 ms, with status 0. Timed by waiting
# for it, which returns the moment it ends; killed after 2 s if it does not.
ends_quickly() { # pid signal
  local start status elapsed guard
  (sleep 2 && kill -KILL "$1" 2>/dev/null) &
  guard=$!
  start=${EPOCHREALTIME/./}
  kill "-$2" "$1"
  wait "$1"; status=$?
  elapsed=$(((${EPOCHREALTIME/./} - start) / 1000))
  kill "$guard" 2>/dev/null
  echo "  SIG$2: status $status after $elapsed ms"
  [ "$status" -eq 0 ] && [ "$elapsed" -lt 100 ]
}
