#!/usr/bin/env bash
# glimmerhex-idle.service under a real systemd user manager: installed as the package places
# it, enabled with `systemctl --user enable` and given a short idle time by a drop-in, started
# by a headless sway's session target, restarted once when the compositor dies, and taken out
# of the session by `systemctl --user disable`.
#
# systemd --user starts only where the system looks booted with systemd and where it owns a
# cgroup: as root, the script makes a test user (glimmerhex-test) and a cgroup of its own, and
# runs the manager in a private mount namespace holding /run/systemd/system; systemctl and
# sway run in that namespace too. Where that cannot be had it says why in one line, status 77.
# Usage: systemd_e2e.sh BUILD_FOLDER_OR_INSTALLED_PREFIX GLIMMERHEX_RENDER
set -uo pipefail
from=$(realpath "$1") render=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wayland_common.sh"

user=glimmerhex-test session=glimmerhex-test-session.target unit=glimmerhex-idle.service
home=$work/home manager="" cgroups=()
skip() { echo "skipped: $*"; exit 77; }

# Whatever the manager started (the unit, a session bus, an agent) lies in the cgroups made
# here, and sway in one beside them: each process in them ends, then the cgroups go,
# deepest first.
remove_cgroup() {
  local _
  for _ in $(seq 20); do
    kill -KILL $(find "$1" -name cgroup.procs -exec cat {} + 2>/dev/null) 2>/dev/null
    find "$1" -depth -type d -exec rmdir {} + 2>/dev/null
    [ -d "$1" ] || return 0
    sleep 0.1
  done
}
before_cleanup() {
  stop_sway
  if [ -n "$manager" ]; then
    kill "$manager" 2>/dev/null
    for _ in $(seq 50); do has_ended "$manager" && break; sleep 0.1; done
    kill -KILL "$manager" 2>/dev/null
    wait "$manager" 2>/dev/null
  fi
  local group
  for group in "${cgroups[@]}"; do remove_cgroup "$group"; done
}
# Stopped by a signal, the run still cleans up (a timeout's SIGKILL leaves that to the next).
trap 'exit 1' INT TERM HUP

[ "$(id -u)" -eq 0 ] || skip "the user manager needs root to set up its user and cgroup"
id -u "$user" &>/dev/null || useradd --system --user-group --no-create-home \
  --shell /usr/sbin/nologin "$user" || skip "cannot create the test user $user"
as_user=(setpriv --reuid="$user" --regid="$user" --init-groups)

# The package's files in a prefix of the test's own, unless a prefix was given.
if [ -x "$from/bin/glimmerhex-wayland" ]; then prefix=$from
else
  prefix=$work/prefix
  cmake --install "$from" --prefix "$prefix" >/dev/null ||
    { echo "cmake --install failed"; exit 1; }
fi
units=$prefix/lib/systemd/user
# The program as the unit names it (quoted where the prefix calls for it), its idle time aside.
program=$(sed -n 's/^ExecStart=\(.*\) --idle [^ ]*$/\1/p' "$units/$unit")

# Home and runtime folder for the user; the stored choices ("Heated" with "Heat").
chmod 755 "$work"
install -d -m 700 -o "$user" -g "$user" "$runtime" "$home"
store_choices 01 13 "$home/.config"
palette_colours "$render" 19 "$work/palette.txt"
config=$home/.config/systemd/user
mkdir -p "$config/$unit.d"
printf '[Unit]\nDescription=The test'"'"'s sway session\nBindsTo=graphical-session.target\n' \
  >"$config/$session"
# The unit's stderr (there is no journal here) and each ending of its program, for the test.
cat >"$config/$unit.d/test-record.conf" <<'EOF'
[Service]
StandardError=append:%h/resident.err
ExecStopPost=/bin/sh -c 'echo "$$EXIT_CODE $$EXIT_STATUS" >>%h/endings'
EOF
chown -R "$user:$user" "$home"

# The package's unit folder searched before the user's own and the system's, as
# /usr/lib/systemd/user is for a package installed under /usr.
environment=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime"
  SYSTEMD_UNIT_PATH="$units:")
if [ -f /sys/fs/cgroup/cgroup.controllers ]; then hierarchies=(/sys/fs/cgroup)
elif [ -d /sys/fs/cgroup/unified ] && [ -d /sys/fs/cgroup/systemd ]; then
  hierarchies=(/sys/fs/cgroup/unified /sys/fs/cgroup/systemd)
else skip "no cgroup v2 hierarchy for the user manager"; fi
for hierarchy in "${hierarchies[@]}"; do
  for group in "$hierarchy/$user"-*; do # from a run that was killed
    [ -d "$group" ] && not kill -0 "$(basename "${group%.session}" | sed 's/.*-//')" 2>/dev/null &&
      remove_cgroup "$group"
  done
  mkdir "$hierarchy/$user-$$" "$hierarchy/$user-$$.session" 2>/dev/null ||
    skip "cannot make a cgroup under $hierarchy"
  cgroups+=("$hierarchy/$user-$$" "$hierarchy/$user-$$.session")
  chown -R "$user:$user" "$hierarchy/$user-$$"
done
# The manager's shell joins the cgroups, then hides the machine's /run/systemd behind a
# tmpfs holding system/, which is what tells systemd the machine was booted with it.
unshare --mount --propagation private sh -c 'groups=$1
  shift
  while [ "$groups" -gt 0 ]; do
    echo $$ >"$1/cgroup.procs" || exit 1
    shift
    groups=$((groups - 1))
  done
  mount -t tmpfs tmpfs /run/systemd && mkdir /run/systemd/system && exec "$@"' sh \
  "${#hierarchies[@]}" "${hierarchies[@]/%//$user-$$}" "${as_user[@]}" "${environment[@]}" \
  /lib/systemd/systemd --user >"$work/manager.log" 2>&1 &
manager=$!

# systemctl and the session's programs: as the user, in the manager's namespace (outside it,
# systemctl takes the machine for one without systemd).
in_namespace() { nsenter -t "$manager" -m "${as_user[@]}" "${environment[@]}" "$@"; }
ctl() { in_namespace systemctl --user "$@"; }
property() { ctl show -p "$2" --value "$1"; } # unit, property
is() { same "$(property "$1" "$2")" "$3"; }  # unit, property, value
within() { # seconds, then a command polled every quarter second until it succeeds; shows
  local deadline=$((SECONDS + $1)) # what its last try said
  shift
  until "$@" >"$work/try.txt" 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || { cat "$work/try.txt"; return 1; }
    sleep 0.25
  done
  cat "$work/try.txt"
}
up_or_ended() {
  has_ended "$manager" || [[ "$(ctl is-system-running 2>/dev/null)" =~ ^(running|degraded)$ ]]
}
if within 30 up_or_ended >/dev/null && has_ended "$manager"; then
  wait "$manager"
  status=$? said=$(grep . "$work/manager.log" | tail -n 1)
  skip "the user manager ended at start, status $status${said:+: $said}"
fi
up_or_ended || skip "the user manager did not come up in 30 s: $(ctl is-system-running 2>&1)"
echo "  the user manager (pid $manager) is $(ctl is-system-running)"

# A sway session as a systemd-aware config starts one: the compositor handed to systemd, then
# a session target of its own, which pulls graphical-session.target in.
start_session() {
  printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x800 position 0 0
exec systemctl --user import-environment WAYLAND_DISPLAY && systemctl --user start %s\n' \
    "$session" >"$work/sway.conf"
  # One command, no function: nsenter, setpriv and env each exec, so that $! is sway's.
  nsenter -t "$manager" -m "${as_user[@]}" "${environment[@]}" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.conf" \
    >>"$work/sway.log" 2>&1 &
  sway_pid=$!
  for hierarchy in "${hierarchies[@]}"; do
    echo "$sway_pid" >"$hierarchy/$user-$$.session/cgroup.procs"
  done
  within 20 eval 'ls "$runtime"/wayland-? "$runtime"/sway-ipc.*.sock &>/dev/null' || return 1
  WAYLAND_DISPLAY=$(cd "$runtime" && ls wayland-? | head -n 1)
  SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock)
  export WAYLAND_DISPLAY SWAYSOCK
  within 20 is graphical-session.target ActiveState active
}

# Enabled as a user would, the idle time shortened as `systemctl --user edit` writes it.
printf '[Service]\nExecStart=\nExecStart=%s --idle 2\n' "$program" >"$config/$unit.d/override.conf"
chown "$user:$user" "$config/$unit.d/override.conf"
enabled() {
  ctl daemon-reload && ctl enable "$unit" 2>/dev/null && is "$unit" UnitFileState enabled &&
    is "$unit" FragmentPath "$units/$unit" &&
    same "$(readlink "$config/graphical-session.target.wants/$unit")" "$units/$unit" &&
    property "$unit" ExecStart | grep -qF "argv[]=$program --idle 2 ;" &&
    property graphical-session.target Wants | grep -qw "$unit"
}
check "systemctl --user enable finds the installed unit, puts it in graphical-session.target" \
  enabled
check "nothing starts it before a session" is "$unit" ActiveState inactive

check "a headless sway starts its session target" start_session
running_installed() { # the unit's program, with the drop-in's idle time
  local pid=$(property "$unit" MainPID)
  is "$unit" ActiveState active &&
    same "$(tr '\0' ' ' <"/proc/$pid/cmdline")" "$prefix/bin/glimmerhex-wayland --idle 2 "
}
check "the session target starts the unit, which runs the installed program" \
  within 10 running_installed
check "it waits the drop-in's 2 s" \
  within 10 grep -q 'covering the outputs after 2 s without input' "$home/resident.err"
check "then it covers the output" within 20 output_shows_picture HEADLESS-1 1280 800 4

# The compositor dies: the program ends with status 2 and systemd starts it again once, after
# RestartSec; with no compositor that start ends with status 1, which systemd leaves failed.
kill -KILL "$sway_pid"
wait "$sway_pid" 2>/dev/null
sway_pid=""
ended_twice() { same "$(paste -sd, "$home/endings" 2>/dev/null)" "exited 2,exited 1"; }
check "with the compositor gone it ends with status 2, then its one restart with status 1" \
  within 20 ended_twice
after_restart() {
  same "$(ctl show -p ActiveState,ExecMainStatus,NRestarts,Result "$unit" | sort | paste -sd ' ')" \
    "ActiveState=failed ExecMainStatus=1 NRestarts=1 Result=exit-code"
}
check "systemd counts one restart and leaves it failed" within 10 after_restart
sleep 4 # twice RestartSec: time for a restart that must not come
check "and starts it no more" eval 'after_restart && ended_twice'

# Disabled, the unit is no longer pulled in by graphical-session.target.
disabled() {
  ctl disable "$unit" 2>/dev/null && is "$unit" UnitFileState disabled &&
    [ ! -e "$config/graphical-session.target.wants/$unit" ] &&
    not eval 'property graphical-session.target Wants | grep -qw "$unit"'
}
check "systemctl --user disable takes it out of graphical-session.target" disabled
# With no journal, what the manager says of the unit is its status.
[ "$failed" -eq 0 ] || ctl status --no-pager "$unit"
finish
