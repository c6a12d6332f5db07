#!/usr/bin/env bash
# How fast the unpaced front ends run against the headless renderer under Xvfb: the saver
# (/s) and the hack (--delay 0), as percentages of the renderer's ticks a second, the best
# of three runs each. Run by hand; it prints figures for the README and judges nothing.
# Usage: unpaced_measure.sh GLIMMERHEX_COUNTED GLIMMERHEX_HACK_COUNTED GLIMMERHEX_RENDER
set -uo pipefail
saver=$1 hack=$2 render=$3
source "$(dirname "$0")/../tests/e2e/common.sh"
use_own_folders
store_choices 01 13 # the saver draws what the renderer does: "Heated" with "Heat"
start_xvfb

end_with_q() { xdotool key q; }
echo "glimmerhex /s under Xvfb, the renderer at the saver's nice 19:"
share_of_headless 19 end_with_q "$saver" /s >/dev/null
echo "glimmerhex-hack --delay 0 under Xvfb:"
share_of_headless 0 kill "$hack" --root --delay 0 --effect 1 --palette 19 >/dev/null
