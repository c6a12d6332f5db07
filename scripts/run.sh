#!/usr/bin/env bash
# Builds Glimmerhex and runs the saver full screen on this desktop (any key but A, C, G
# and X, or a mouse button, ends it). Other switches can be given instead of /s.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target glimmerhex glimmerhex-render
if [ $# -eq 0 ]; then set -- /s; fi
exec "$root/build/glimmerhex" "$@"
