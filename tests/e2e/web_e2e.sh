#!/usr/bin/env bash
# The page in headless Chromium: every check's frame byte for byte what glimmerhex-render
# draws for the same run, on both builds; the picture filling a window sharp, and fitted
# with black bars; the saver's C key; a choice made in the panel kept across a reload.
# Usage: web_e2e.sh WEB_FOLDER GLIMMERHEX_RENDER
set -uo pipefail
web=$1 render=$2
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/host_checks.sh"
source "$(dirname "$0")/web_common.sh"
serve_page "$web" || exit 1

# seed, effect, palette, ticks: every effect and the random one, palettes chosen and
# random, 50 to 2000 generations.
cases=("1 0 0 50" "2 1 19 2000" "3 2 5 300" "4 3 36 1000" "5 4 1 777" "6 5 0 1500"
  "7 6 30 123" "8 7 12 2000" "9 0 27 640")
actions=()
for path in sse2 portable; do
  for case in "${cases[@]}"; do
    read -r seed effect palette ticks <<<"$case"
    actions+=("check seed=$seed&effect=$effect&palette=$palette&ticks=$ticks&simd=$path")
  done
done
check_frame="seed=21&effect=1&palette=19&ticks=200&ui=0"
actions+=("shot 1280 800 $work/wide.png $check_frame" "shot 1000 800 $work/tall.png $check_frame")
# Ten seconds a generation: between the two pictures only the key changes anything.
actions+=("key KeyC $work/random-before.png $work/random-after.png seed=3&palette=0&delay=10000000&ui=0"
  "key KeyC $work/chosen-before.png $work/chosen-after.png seed=3&palette=5&delay=10000000&ui=0")
# The panel, then a check that takes its stored choices.
actions+=("choose 3 seed=4" "check seed=22&ticks=50")
# As a file; choices without their key's item; delay=0; how far runs of 2^32 - 1 are, 1 s apart.
progress='new Promise((next) => setTimeout(next, 1000)).then(() => new Promise((next) => setTimeout(next, 1000, progress.textContent))).then((first) => [first, progress.textContent].map((text) => /(\d+) of 4294967295$/.exec(text)[1]).join(" "))'
actions+=("evaluate file://$(realpath "$web" | sed 's/ /%20/g')/index.html failure.textContent"
  'evaluate seed=4 localStorage.setItem(String.raw`Software\Orvandel\Glimmerhex\GraphicEffect`, "05"), localStorage.setItem(String.raw`Software\Orvandel\Glimmerhex\PaletteScheme`, "07"), localStorage.removeItem(String.raw`Software\Orvandel\Glimmerhex`)'
  "check seed=23&ticks=50"
  'evaluate seed=5&delay=0&ui=0 (async (frames = 0) => { const ticks = () => engine.UTF8ToString(engine._RunSummary()).split(/[= ]/)[1], first = ticks(); for (const end = performance.now() + 1000; performance.now() < end; ++frames) await new Promise(requestAnimationFrame); return `${frames * 10} ${ticks() - first}`; })()'
  "evaluate seed=6&ticks=4294967295 $progress" "evaluate bench=1&ticks=4294967295 $progress")
mapfile -t results < <(drive_page "${actions[@]}")

echo "-- each check's frame and summary as glimmerhex-render's, on both builds"
i=0
for path in sse2 portable; do
  for case in "${cases[@]}"; do
    read -r seed effect palette ticks <<<"$case"
    check "$path: seed $seed, effect $effect, palette $palette, $ticks ticks" same "${results[i]-}" \
      "path=$path $(render_check "$render" --seed "$seed" --effect "$effect" --palette "$palette" --ticks "$ticks")"
    i=$((i + 1))
  done
done

pixels_apart() { # how many pixels of two pictures of one size differ: none, or some
  local count
  count=$(compare -metric AE "$2" "$3" null: 2>&1)
  [[ $count =~ ^[0-9.e+]+$ ]] || { echo "  $count"; return 1; }
  case $1 in none) [ "$count" = 0 ] ;; some) [ "$count" != 0 ] ;; esac
}

echo "-- the picture in a window"
"$render" --seed 21 --effect 1 --palette 19 --ticks 200 --out "$work/frame.png" >/dev/null
convert "$work/frame.png" -scale 400% "$work/blocks.png"
check "1280x800 holds the frame in exact 4x4 blocks" pixels_apart none "$work/wide.png" "$work/blocks.png"
palette_colours "$render" 19 "$work/palette.txt"
check "1000x800 holds it sharp between black bars" picture_fits "$work/tall.png" 1000 800

echo "-- keys and the panel"
check "C rolls a random palette again" pixels_apart some "$work/random-before.png" "$work/random-after.png"
check "C keeps a chosen palette" pixels_apart none "$work/chosen-before.png" "$work/chosen-after.png"
check "the panel comes with the mouse, and a choice in it survives a reload" \
  same "${results[i + 4]-}" "hidden shown 3"
check "a run without effect= takes the stored choice" same "${results[i + 5]-}" \
  "path=sse2 $(render_check "$render" --seed 22 --effect 3 --palette 0 --ticks 50)"

echo "-- a file's address, stored choices without their key, delay=0, huge counts"
rises() { [[ $1 =~ ^([0-9]+)\ ([0-9]+)$ ]] && ((BASH_REMATCH[1] < BASH_REMATCH[2])) || { echo "  got '$1'"; return 1; }; }
check "opened as a file, the page says how to serve it" same "${results[i + 6]#*serve its folder }" \
  'over http, for example with "python3 -m http.server 8000 --bind 127.0.0.1" run in the folder, and open http://127.0.0.1:8000/'
check "choices whose key's item has gone are kept" same "${results[i + 8]-}" \
  "path=sse2 $(render_check "$render" --seed 23 --effect 5 --palette 7 --ticks 50)"
check "delay=0 runs more than ten generations a frame" rises "${results[i + 9]-}"
check "a check of 2^32 - 1 generations answers, and its progress moves on" rises "${results[i + 10]-}"
check "so does a bench of 2^32 - 1" rises "${results[i + 11]-}"
finish
