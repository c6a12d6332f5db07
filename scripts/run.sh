#!/usr/bin/env bash
# Builds Glimmerhex and shows it: renders a short run of the automaton to
# glimmerhex.png in the current folder. Extra arguments go to glimmerhex-render.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target glimmerhex-render
"$root/build/glimmerhex-render" --ticks 400 --out glimmerhex.png "$@"
echo "Wrote $(pwd)/glimmerhex.png"
