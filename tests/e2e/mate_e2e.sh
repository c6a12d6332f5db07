#!/usr/bin/env bash
# The hack under MATE's screen saver on Xvfb, run as an unprivileged user with a session bus
# of its own and the hack's entry as its one theme: three activations and deactivations.
# It runs hacks only from its own folders, so the entry and the hack are mounted over them
# in a mount namespace of the daemon's own: nothing on the machine changes.
# Usage: mate_e2e.sh GLIMMERHEX_HACK_COUNTED GLIMMERHEX_RENDER ENTRY (needs root)
set -uo pipefail
counted=$1 render=$2 entry=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
source "$here/host_checks.sh"
if [ "$(id -u)" -ne 0 ]; then
  echo "mate_e2e.sh needs root: it mounts the entry over the daemon's folders in a namespace"
  exit 1
fi
bus=""
before_cleanup() { [ -z "$bus" ] || kill "$bus"; }

chmod 755 "$work"
home=$work/home
mkdir -p "$home/.config/glib-2.0/settings" "$work/entries" "$work/hacks"
# "Heated" with "Heat", as the dialog stores them; the daemon passes HOME, not XDG_CONFIG_HOME.
store_choices 01 13 "$home/.config"
# Its settings in GLib's key-file store: one theme, no lock, no activation on idle.
printf "[org/mate/screensaver]\nmode='single'\nthemes=['screensavers-glimmerhex']\nlock-enabled=false\nidle-activation-enabled=false\n" \
  >"$home/.config/glib-2.0/settings/keyfile"
cp "$entry" "$work/entries/glimmerhex.desktop"
cp "$counted" "$work/hacks/glimmerhex-hack"
chmod -R a+rX "$work/entries" "$work/hacks"
chown -R nobody:nogroup "$home"
palette_colours "$render" 19 "$work/palette.txt"
start_xvfb

as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin)
# A session bus of its own, started directly: dbus-launch would also offer every X client
# here a bus of its own making.
{ read -r bus_address && read -r bus; } < <("${as_nobody[@]}" dbus-daemon --session --fork \
  --print-address=1 --print-pid=1)
as_daemon_user() {
  "${as_nobody[@]}" DISPLAY="$DISPLAY" GSETTINGS_BACKEND=keyfile DBUS_SESSION_BUS_ADDRESS="$bus_address" "$@"
}
unshare -m --propagation private sh -c 'mount --bind "$1" /usr/share/applications/screensavers &&
  mount --bind "$2" /usr/libexec/xscreensaver && shift 2 && exec "$@"' sh \
  "$work/entries" "$work/hacks" "${as_nobody[@]}" DISPLAY="$DISPLAY" GSETTINGS_BACKEND=keyfile \
  DBUS_SESSION_BUS_ADDRESS="$bus_address" mate-screensaver --no-daemon >"$work/daemon.log" 2>&1 &
daemon=$!
answers() { as_daemon_user mate-screensaver-command --query >/dev/null 2>&1; }
check "the daemon starts on its session bus" eventually answers

one_hack() { [ "$(hack_pids | wc -l)" -eq 1 ]; }
in_its_window() { tr '\0' '\n' <"/proc/$1/environ" | grep -qE '^XSCREENSAVER_WINDOW=0x[0-9A-Fa-f]+$'; }
gone_after=()
for cycle in 1 2 3; do
  as_daemon_user mate-screensaver-command --activate >/dev/null
  check "cycle $cycle: activating runs the hack" eventually one_hack
  pid=$(hack_pids)
  check "cycle $cycle: in the daemon's window" in_its_window "$pid"
  sleep 0.7 # its first frames
  check "cycle $cycle: it draws the stored choices, letterboxed" shows_picture 1024 768
  as_daemon_user mate-screensaver-command --deactivate >/dev/null &
  check "cycle $cycle: deactivating ends it within 1 s" ends_within 1 "$pid"
  gone_after+=("$ended_ms")
done
echo "  measured: ${gone_after[*]} ms"
as_daemon_user mate-screensaver-command --exit >/dev/null 2>&1
wait "$daemon"
finish
