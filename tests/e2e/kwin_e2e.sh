#!/usr/bin/env bash
# The resident (glimmerhex-wayland --idle) under KWin (Plasma's compositor), headless with
# two virtual outputs: idle comes through ext-idle-notify-v1, and a layer surface is
# configured and drawn on each output. KWin lets no ordinary client take screenshots or
# send input, so the client's own protocol log (WAYLAND_DEBUG) is what is checked.
# Usage: kwin_e2e.sh GLIMMERHEX_WAYLAND_COUNTED
set -uo pipefail
counted=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
source "$here/wayland_common.sh"
before_cleanup() { stop_compositor; }

# Debian's kwin_wayland carries file capabilities, which these sandboxes refuse to execute;
# a copy has none.
cp /usr/bin/kwin_wayland "$work/"
check "KWin runs headless" start_compositor wl-kwin env QT_QPA_PLATFORM=offscreen \
  "$work/kwin_wayland" --virtual --width 1280 --height 800 --output-count 2 --socket wl-kwin \
  --no-lockscreen
launch_as_sway_user "$work/resident.log" env WAYLAND_DEBUG=1 "$counted" --idle 1
resident=$launched
check "it takes the newer idle protocol of the two KWin offers" eventually \
  grep -q '(ext-idle-notify-v1 from the compositor)$' "$work/resident.log"
check "idle comes" eventually grep -q 'ext_idle_notification_v1@[0-9]*\.idled()' "$work/resident.log"
# After the idle event: the layer surfaces and their outputs, sizes and buffers.
drawn_on_each_output() {
  sed -n '/\.idled()/,$p' "$work/resident.log" | awk '
    /get_layer_surface/ { match($0, /zwlr_layer_surface_v1@[0-9]+/); layer = substr($0, RSTART, RLENGTH)
      match($0, /wl_surface@[0-9]+/); surface[layer] = substr($0, RSTART, RLENGTH)
      match($0, /wl_output@[0-9]+/); output[layer] = substr($0, RSTART, RLENGTH) }
    /zwlr_layer_surface_v1@[0-9]+\.configure\([0-9]+, 1280, 800\)/ { split($2, part, "."); sized[part[1]] = 1 }
    /-> wl_surface@[0-9]+\.attach\(wl_buffer@/ { split($3, part, "."); drawn[part[1]] = 1 }
    END { for (layer in output) { outputs[output[layer]] = 1
            good += sized[layer] && drawn[surface[layer]]; layers++ }
          n = 0; for (o in outputs) n++
          printf "  %d layer surfaces on %d outputs, %d configured 1280x800 and drawn\n", layers, n, good
          exit !(layers == 2 && n == 2 && good == 2) }'
}
check "a layer surface configured and drawn on each output" eventually drawn_on_each_output
kill "$resident"
finish
