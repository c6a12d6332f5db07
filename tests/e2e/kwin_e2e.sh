#!/usr/bin/env bash
# The resident (glimmerhex-wayland --idle) under KWin, headless with two outputs, on
# ext-idle-notify-v1. KWin lets no ordinary client take screenshots or send input: the
# client's own protocol log (WAYLAND_DEBUG) is what is checked.
# Usage: kwin_e2e.sh GLIMMERHEX_WAYLAND_COUNTED
set -uo pipefail
counted=$(realpath "$1")
source "$(dirname "$0")/wayland_common.sh"

# Debian's kwin_wayland carries file capabilities, which these sandboxes refuse to execute;
# a copy has none.
cp /usr/bin/kwin_wayland "$work/"
check "KWin runs headless" start_compositor wl-kwin env QT_QPA_PLATFORM=offscreen \
  "$work/kwin_wayland" --virtual --width 1280 --height 800 --output-count 2 --socket wl-kwin \
  --no-lockscreen
launch_as_sway_user "$work/resident.log" env WAYLAND_DEBUG=1 "$counted" --idle 3
resident=$launched
# The idle time is the protocol's in milliseconds: nothing covers an output well before it.
check "no surface in the first two of the three idle seconds" eval 'sleep 2; not grep -q get_layer_surface "$work/resident.log"'
# After the newer idle protocol's event (KWin offers both): layer surfaces on two outputs,
# each configured 1280x800, and a buffer attached to each.
after_idle() { sed -n '/ext_idle_notification_v1@[0-9]*\.idled()/,$p' "$work/resident.log"; }
distinct() { grep -oE "$1" | sort -u | wc -l; }
drawn_on_each_output() {
  local outputs=$(after_idle | grep -oE 'get_layer_surface\(.*' | distinct 'wl_output@[0-9]+') \
    sized=$(after_idle | grep -E '\.configure\([0-9]+, 1280, 800\)' | distinct 'zwlr_layer_surface_v1@[0-9]+') \
    drawn=$(after_idle | grep -E '\.attach\(wl_buffer' | distinct 'wl_surface@[0-9]+')
  echo "  layer surfaces on $outputs outputs, $sized configured 1280x800, $drawn drawn"
  [ "$outputs" -eq 2 ] && [ "$sized" -eq 2 ] && [ "$drawn" -eq 2 ]
}
check "a layer surface configured and drawn on each output" eventually drawn_on_each_output
kill "$resident"
wait "$resident"

# Plasma's screen locker locks after the minutes its kscreenlockerrc states: auto takes half,
# follows the file as KDE writes it anew (renamed into place) while it waits, and a time
# past the lock is warned of.
locks_after() { # minutes
  mkdir -p "$runtime/.config" && printf '[Daemon]\nTimeout=%s\n' "$1" >"$work/kscreenlockerrc" &&
    chmod a+r "$work/kscreenlockerrc" && mv "$work/kscreenlockerrc" "$runtime/.config/"
}
said() { # the lines it must have said first
  eventually eval "[ \$(grep -c . '$work/plasma.err') -ge $# ]" &&
    same "$(head -n $# "$work/plasma.err")" "$(printf 'glimmerhex-wayland: %s\n' "$@")"
}
locks_after 1
launch_as_sway_user "$work/plasma.err" env XDG_CURRENT_DESKTOP=KDE "$counted" --idle auto
resident=$launched
half="without input (half of Plasma's"
check "--idle auto takes half of Plasma's lock time" said "covering the outputs after 30 s $half 60 s lock; ext-idle-notify-v1 from the compositor)"
locks_after 2
check "and follows it as it changes" said "covering the outputs after 30 s $half 60 s lock; ext-idle-notify-v1 from the compositor)" \
  "covering the outputs after 60 s $half 120 s lock; ext-idle-notify-v1 from the compositor)"
kill "$resident" && wait "$resident"
launch_as_sway_user "$work/plasma.err" env XDG_CURRENT_DESKTOP=KDE "$counted" --idle 150
resident=$launched
check "--idle past it is warned of" said \
  "covering the outputs after 150 s without input (ext-idle-notify-v1 from the compositor)" \
  "Plasma locks the screen after 120 s (System Settings → Screen Locking): the saver will not be seen"
kill "$resident"
finish
