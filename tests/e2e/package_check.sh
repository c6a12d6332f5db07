#!/usr/bin/env bash
# The releases as users get them. The Debian package is checked, installed with apt-get,
# run from where it was installed, and removed again without a trace; the Windows zip is
# opened and its saver checked; the page's zip is opened and the page in it loaded in
# headless Chromium. Building either without its tools fails with a line that names what
# to install. Needs root (or sudo) for apt-get.
# Usage: package_check.sh BUILD MINGW_I686_BUILD WEB_BUILD (all already made their package)
set -uo pipefail
build=$1 mingw=$2 web=$3
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/e2e/common.sh"
source "$root/tests/e2e/web_common.sh"

version=$(sed -n 's/^project(Glimmerhex VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
deb=$(realpath "$build/glimmerhex_${version}_$(dpkg --print-architecture).deb")
zip=$mingw/glimmerhex-$version-windows.zip
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt() { # its output only when it fails
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=300 -y -q "$@" \
    >"$work/apt.log" 2>&1 || { sed 's/^/  apt-get: /' "$work/apt.log"; return 1; }
}
installed() { dpkg-query -W -f='${Status}' glimmerhex 2>/dev/null | grep -q 'ok installed'; }

# Every file the package installs; a new one is a new line here.
package_files=(
  /usr/bin/glimmerhex
  /usr/bin/glimmerhex-render
  /usr/share/applications/glimmerhex.desktop
  /usr/share/doc/glimmerhex/changelog.gz
  /usr/share/doc/glimmerhex/copyright
  /usr/share/icons/hicolor/16x16/apps/glimmerhex.png
  /usr/share/icons/hicolor/32x32/apps/glimmerhex.png
  /usr/share/icons/hicolor/64x64/apps/glimmerhex.png
  /usr/share/icons/hicolor/128x128/apps/glimmerhex.png
  /usr/share/icons/hicolor/256x256/apps/glimmerhex.png
  /usr/share/man/man1/glimmerhex-render.1.gz
  /usr/share/man/man6/glimmerhex.6.gz
  /usr/share/pixmaps/glimmerhex.xpm
  /usr/libexec/xscreensaver/glimmerhex-hack
  /usr/share/xscreensaver/config/glimmerhex-hack.xml
  /usr/share/man/man6/glimmerhex-hack.6.gz
  /usr/bin/glimmerhex-wayland
  /usr/share/man/man6/glimmerhex-wayland.6.gz
  /usr/share/applications/screensavers/glimmerhex.desktop
  /usr/lib/systemd/user/glimmerhex-idle.service
  /usr/share/glimmerhex/glimmerhex-idle.desktop
)

echo "-- the package as built"
field() { dpkg-deb -f "$deb" "$1"; }
check "named glimmerhex, version $version" \
  same "$(field Package) $(field Version)" "glimmerhex $version"
check "section, priority and maintainer" test -n "$(field Section)" -a -n "$(field Priority)" \
  -a -n "$(field Maintainer)"
depends_on() { # each named package
  local package
  for package; do field Depends | tr ',' '\n' | grep -q "^ *$package " || return 1; done
}
check "dependencies found from the programs' libraries" \
  depends_on libsdl2-2.0-0 libgtk-3-0 libpng16-16 libgif7 libwayland-client0
changelog_version() {
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/glimmerhex/changelog.gz |
    gunzip >"$work/changelog"
  dpkg-parsechangelog -l "$work/changelog" -S Version
}
check "the changelog's newest entry is this version" same "$(changelog_version)" "$version"
lintian_clean() {
  lintian --fail-on error "$deb" >"$work/lintian" 2>&1
  local status=$?
  grep '^[A-Z]: ' "$work/lintian" | sed 's/^/  lintian: /' # its tags, not its chatter
  return $status
}
check "lintian finds no error" lintian_clean

echo "-- installed with apt-get"
installed && apt remove glimmerhex # left by an interrupted run
check "apt-get installs it with its dependencies" apt install "$deb"
check "it is installed" installed
dpkg -L glimmerhex >"$work/owned" 2>/dev/null
files_only() { while read -r path; do [ -d "$path" ] || echo "$path"; done <"$work/owned" | sort; }
exactly_the_expected_files() {
  diff <(printf '%s\n' "${package_files[@]}" | sort) <(files_only) >"$work/files.diff" && return
  sed -n 's/^< /  missing: /p; s/^> /  not expected: /p' "$work/files.diff"
  return 1
}
check "it installs exactly the expected files" exactly_the_expected_files

use_own_folders
check "glimmerhex is on PATH from /usr/bin" same "$(type -P glimmerhex)" /usr/bin/glimmerhex
check "glimmerhex --version" same "$(/usr/bin/glimmerhex --version)" "Glimmerhex $version"
check "glimmerhex-render --version" \
  same "$(/usr/bin/glimmerhex-render --version)" "Glimmerhex $version"
check "glimmerhex --help shows the switches" eval '/usr/bin/glimmerhex --help | grep -q "^  /s "'
check "glimmerhex /p 77 exits 0" /usr/bin/glimmerhex /p 77
hack_refuses_bad_input() { # it starts with its libraries, and says what is wrong
  /usr/libexec/xscreensaver/glimmerhex-hack --effect 9 2>"$work/hack.err"
  [ $? -eq 1 ] && same "$(wc -l <"$work/hack.err")" 1
}
check "the installed hack runs and refuses --effect 9" hack_refuses_bad_input
render_args=(--seed 7 --effect 1 --palette 5 --ticks 60)
renders_a_png() {
  /usr/bin/glimmerhex-render "${render_args[@]}" --out "$work/installed.png" >/dev/null &&
    "$build/glimmerhex-render" "${render_args[@]}" --out "$work/built.png" >/dev/null &&
    same "$(identify -format '%m %wx%h' "$work/installed.png")" "PNG 320x200" &&
    same "$(compare -metric AE "$work/installed.png" "$work/built.png" null: 2>&1)" 0
}
check "glimmerhex-render writes the build's picture as a PNG" renders_a_png
# The Wayland program and the hack's entry for MATE's and Xfce's screen savers.
check "glimmerhex-wayland --version" same "$(/usr/bin/glimmerhex-wayland --version)" "Glimmerhex $version"
wayland_refuses_bad_input() { # it starts with its libraries, and says what is wrong
  /usr/bin/glimmerhex-wayland --effect 9 2>"$work/wayland.err"
  [ $? -eq 1 ] && same "$(wc -l <"$work/wayland.err")" 1
}
check "the installed Wayland program refuses --effect 9" wayland_refuses_bad_input
check "man -w glimmerhex-wayland finds the page" \
  same "$(man -w glimmerhex-wayland 2>&1)" /usr/share/man/man6/glimmerhex-wayland.6.gz
unit_verified() { # as systemd reads a user unit, with the program and its page installed
  local unit=/usr/lib/systemd/user/glimmerhex-idle.service said
  install -d -m 700 "$work/user-runtime"
  # Not a word from it: it passes a unit with an unknown key, only saying so.
  said=$(XDG_RUNTIME_DIR=$work/user-runtime systemd-analyze --user verify "$unit" 2>&1) &&
    same "$said" "" && grep -qx 'ExecStart=/usr/bin/glimmerhex-wayland --idle auto' "$unit"
}
check "the resident's unit verifies and starts the installed program" unit_verified
check "its autostart entry is valid" desktop-file-validate /usr/share/glimmerhex/glimmerhex-idle.desktop
check "the screen savers' entry is valid" \
  desktop-file-validate /usr/share/applications/screensavers/glimmerhex.desktop
check "and names the installed hack" \
  test -x "/usr/libexec/xscreensaver/$(sed -n 's/^TryExec=//p' /usr/share/applications/screensavers/glimmerhex.desktop)"
check "the desktop entry is valid" desktop-file-validate /usr/share/applications/glimmerhex.desktop
check "man -w glimmerhex finds the page" \
  same "$(man -w glimmerhex 2>&1)" /usr/share/man/man6/glimmerhex.6.gz
check "man -w glimmerhex-render finds the page" \
  same "$(man -w glimmerhex-render 2>&1)" /usr/share/man/man1/glimmerhex-render.1.gz
check "the page carries the version" eval \
  "MANWIDTH=80 man -P cat glimmerhex 2>/dev/null | tail -n 1 | grep -q 'Glimmerhex $version '"
icon_matches() { # the icon as ImageMagick scales the text image: pixels repeated or averaged
  local size=$1 png=/usr/share/icons/hicolor/$1x$1/apps/glimmerhex.png
  convert "$root/resources/glimmerhex.xpm" -scale "${size}x$size" "$work/icon.png" &&
    same "$(identify -format '%wx%h' "$png")" "${size}x$size" &&
    same "$(compare -metric AE -fuzz 1% "$png" "$work/icon.png" null: 2>&1)" 0
}
for size in 16 32 64 128 256; do
  check "the ${size}x$size icon is the text image scaled" icon_matches "$size"
done

echo "-- removed with apt-get"
check "apt-get removes it" apt remove glimmerhex
check "it is no longer installed" not installed
leftovers() { # what the package had that is still there and belongs to no other package
  while read -r path; do
    [ "$path" = /. ] || [ ! -e "$path" ] && continue
    [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
    echo "$path"
  done <"$work/owned"
}
check "nothing of it is left" same "$(leftovers)" ""
check "man no longer finds it" not eval 'man -w glimmerhex 2>/dev/null'

echo "-- the Windows zip"
check "the zip is whole" unzip -tqq "$zip"
zip_listing() { unzip -Z1 "$zip" | sort | tr '\n' ' '; }
top=glimmerhex-$version-windows
check "it holds the saver, a readme and the licence" \
  same "$(zip_listing)" "$top/LICENSE.txt $top/README.txt $top/glimmerhex.scr "
unzip -q "$zip" -d "$work/zip"
check "its saver is a 32-bit Windows program" \
  eval "file -b '$work/zip/$top/glimmerhex.scr' | grep -q '^PE32 executable (GUI) Intel 80386'"
resources_as_expected() { # the failures only
  python3 "$root/tests/e2e/check_resources.py" "$work/zip/$top/glimmerhex.scr" >"$work/resources" ||
    { grep FAILED "$work/resources" | sed 's/^/  /'; return 1; }
}
check "its saver has the expected resources" resources_as_expected
crlf_throughout() { # each file, every line
  local file
  for file; do [ -s "$file" ] && ! grep -qv $'\r$' "$file" || return 1; done
}
check "the readme and the licence have Windows line ends" \
  crlf_throughout "$work/zip/$top/README.txt" "$work/zip/$top/LICENSE.txt"
check "the licence is LICENSE" \
  same "$(tr -d '\r' <"$work/zip/$top/LICENSE.txt")" "$(cat "$root/LICENSE")"
readme_says() { # each text
  local text
  for text; do tr -d '\r' <"$work/zip/$top/README.txt" | grep -qF "$text" || return 1; done
}
check "the readme says how to install and where the settings live" \
  readme_says "right-click glimmerhex.scr and choose Install" \
  'HKEY_CURRENT_USER\Software\Orvandel\Glimmerhex'

echo "-- the page's zip"
web_zip=$web/glimmerhex-$version-web.zip
check "the zip is whole" unzip -tqq "$web_zip"
top=glimmerhex-$version-web
check "it holds the page, its two builds, a readme and the licence" \
  same "$(unzip -Z1 "$web_zip" | sort | tr '\n' ' ')" "$(printf "$top/%s " LICENSE.txt README.txt \
  glimmerhex-page.js glimmerhex-portable.js glimmerhex-portable.wasm glimmerhex-simd.js \
  glimmerhex-simd.wasm index.html)"
unzip -q "$web_zip" -d "$work/web-zip"
page_runs_as_the_renderer() {
  serve_page "$work/web-zip/$top" &&
    same "$(drive_page "check seed=7&effect=1&palette=5&ticks=60")" \
      "path=sse2 $(render_check "$build/glimmerhex-render" --seed 7 --effect 1 --palette 5 --ticks 60)"
}
check "the page in it draws what glimmerhex-render draws" page_runs_as_the_renderer

echo "-- building without the tools"
without() { # a folder of links to every program on PATH but the named ones, to be the PATH
  local shadow=$work/without-$1 dir entry name
  local -A seen=()
  local targets=()
  for name; do seen[$name]=1; done
  IFS=: read -ra dirs <<<"$PATH"
  for dir in "${dirs[@]}"; do
    for entry in "$dir"/*; do
      name=${entry##*/}
      [ -e "$entry" ] && [ -z "${seen[$name]:-}" ] || continue
      seen[$name]=1
      targets+=("$entry")
    done
  done
  mkdir -p "$shadow" && ln -s "${targets[@]}" "$shadow/" && echo "$shadow"
}
fails_saying() { # the line, then the command
  local line=$1; shift
  "$@" >"$work/out" 2>&1 && { echo "  it succeeded"; return 1; }
  grep -qxF "  $line" "$work/out" || { sed 's/^/  /' "$work/out"; return 1; }
}
no_shlibdeps=$(without dpkg-shlibdeps)
check "the .deb without dpkg-shlibdeps says to install dpkg-dev" \
  fails_saying "dpkg-shlibdeps is missing: install dpkg-dev" \
  env PATH="$no_shlibdeps" cpack --config "$build/CPackConfig.cmake" -B "$work/no-deb"
check "and makes no package" not eval "ls '$work/no-deb'/*.deb 2>/dev/null"
no_mingw=$(without i686-w64-mingw32-gcc i686-w64-mingw32-g++ i686-w64-mingw32-windres)
check "the zip without mingw-w64 says to install g++-mingw-w64-i686" \
  fails_saying "i686-w64-mingw32-g++ is missing: install g++-mingw-w64-i686" \
  env PATH="$no_mingw" cmake -S "$root" -B "$work/no-mingw" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"

finish
