# Shared by the end-to-end scripts of the paced programs' hosts (after common.sh): what a
# screenshot of the picture fitted into a screen must show, and how soon a program ends.

# Colours as the screen holds them: on a 16-bit screen ($bits), 5, 6 and 5 bits.
bits=24
in_screen_bits() {
  if [ "$bits" -eq 16 ]; then
    awk 'function byte(at) { return (index(hex, substr($1, at, 1)) - 1) * 16 + index(hex, substr($1, at + 1, 1)) - 1 }
         BEGIN { hex = "0123456789ABCDEF" }
         { printf "%02X%02X%02X\n", int(byte(2) / 8), int(byte(4) / 4), int(byte(6) / 8) }' | sort -u
  else cat; fi
}

# The picture fitted with its aspect kept shows only the palette's colours
# ($work/palette.txt, from palette_colours) and more than four of them, the bars only
# black. With a block size, every block of that many pixels square inside the picture is
# one colour: the pixels are sharp. Says what it found on one line.
picture_fits() { # file width height [block]
  local file=$1 w=$2 h=$3 block=${4:-0} pw ph x=0 y=0 colours outside bars blocks=""
  if [ $((w * 200)) -le $((h * 320)) ]; then
    pw=$w ph=$(((w * 200 + 160) / 320)) y=$(((h - ph) / 2))
  else
    ph=$h pw=$(((h * 320 + 100) / 200)) x=$(((w - pw) / 2))
  fi
  part() { convert "$file" -crop "$1" +repage -unique-colors -depth 8 txt:- |
    grep -oE '#[0-9A-F]{6}' | sort -u; }
  part "${pw}x${ph}+${x}+${y}" | in_screen_bits >"$work/picture.txt"
  colours=$(wc -l <"$work/picture.txt")
  outside=$(comm -23 "$work/picture.txt" <(in_screen_bits <"$work/palette.txt") | wc -l)
  bars=""
  if [ "$y" -gt 0 ]; then bars+=$(part "${w}x${y}+0+0"; part "${w}x$((h - y - ph))+0+$((y + ph))"); fi
  if [ "$x" -gt 0 ]; then bars+=$(part "${x}x${h}+0+0"; part "$((w - x - pw))x${h}+$((x + pw))+0"); fi
  bars=$(echo "$bars" | sort -u | grep -v '^#000000$' | grep -c .)
  if [ "$block" -gt 0 ]; then
    # Sampled down to one pixel a block and back up, a sharp picture is what it was.
    convert "$file" -crop "${pw}x${ph}+${x}+${y}" +repage "$work/crop.png"
    convert "$work/crop.png" -sample "$((pw / block))x$((ph / block))!" -sample "${pw}x${ph}!" \
      "$work/blocks.png"
    blocks=$(compare -metric AE "$work/crop.png" "$work/blocks.png" null: 2>&1)
  fi
  echo "  ${w}x${h}: picture ${pw}x${ph}+${x}+${y} in $colours colours, $outside outside the palette; $bars colours in the bars besides black${blocks:+; $blocks pixels off their ${block}x$block blocks}"
  [ "$colours" -gt 4 ] && [ "$outside" -eq 0 ] && [ "$bars" -eq 0 ] && [ "${blocks:-0}" = 0 ]
}

# A screenshot of the screen's top left, width x height, checked by picture_fits.
shows_picture() { # width height [import options]
  local w=$1 h=$2
  shift 2
  import -window root "$@" "$work/shot.png" 2>/dev/null && picture_fits "$work/shot.png" "$w" "$h"
}

# The hacks on this display, whichever screen ($DISPLAY may be :N or :N.S).
hack_pids() {
  local p
  for p in $(pgrep -x glimmerhex-hack); do
    tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qE "^DISPLAY=${DISPLAY%.*}(\.[0-9]+)?$" && echo "$p"
  done
}

# Whether a process has ended (gone, or a zombie not yet reaped by whoever adopted it).
has_ended() {
  [ ! -e "/proc/$1" ] || grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null
}
# Waits at most the seconds given for a pid to end: $ended_ms, and $ended_status for a child.
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

# Exactly the render tool's frame: a counted build started with GLIMMERHEX_SEED and
# GLIMMERHEX_GENERATIONS stops its generations at the given count and goes on presenting the
# last; once its stderr says so, the screenshot the command given writes to stdout must be
# that frame, fitted as picture_check.py fits it by the rule alone (through OpenGL, with
# the texture sampled at each pixel's centre).
shows_render_frame() { # stderr file, seed, effect, palette, generations, renderer, screenshot command
  local errors=$1 seed=$2 effect=$3 palette=$4 generations=$5 rule=() _
  [ "$6" = accelerated ] && rule=(--centres)
  shift 6
  for _ in $(seq 300); do grep -q '^generations_done=' "$errors" 2>/dev/null && break; sleep 0.1; done
  grep -qx "generations_done=$generations" "$errors" || { echo "  it never stopped at $generations"; return 1; }
  sleep 0.3 # the last picture presented, whenever the display asks for it
  "$render" --seed "$seed" --effect "$effect" --palette "$palette" --ticks "$generations" \
    --out "$work/frame.raw" >/dev/null || return 1
  "$@" >"$work/exact.png" 2>/dev/null || { echo "  no screenshot"; return 1; }
  python3 "$(dirname "${BASH_SOURCE[0]}")/picture_check.py" "${rule[@]}" "$work/exact.png" "$work/frame.raw"
}
