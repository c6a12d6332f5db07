#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed, so a prepared machine pays nothing.
# With --wine32: the 32-bit Wine loader (an i386 package, so the i386 architecture is added
# first), which the tests ask for where the machine runs 32-bit programs.
set -euo pipefail

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if [ "${1:-}" = --wine32 ]; then
  installed wine32:i386 && exit 0
  echo "Installing: wine32:i386 (adding the i386 architecture)"
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends wine32:i386 \
    >/dev/null
  exit 0
fi

packages=(
  cmake ninja-build g++ clang clang-format cppcheck libclang-rt-14-dev
  libgtest-dev libbenchmark-dev libpng-dev libgif-dev libsdl2-dev libx11-dev libgtk-3-dev pkg-config
  xvfb xfonts-base xdotool x11-apps x11-utils x11-xserver-utils x11-xkb-utils libxss1
  imagemagick python3 python3-gi gir1.2-gtk-3.0 procps
  libxml2-utils libgl1-mesa-dri xscreensaver xscreensaver-data xsecurelock
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  dpkg-dev file lintian desktop-file-utils man-db unzip
  g++-aarch64-linux-gnu g++-i686-linux-gnu qemu-user
  # The Wayland program (its protocol glue is generated at build time, its accelerated path
  # draws through EGL, its GNOME idle source speaks GDBus) and its end-to-end runs under
  # headless sway, KWin and mutter, with its unit checked; MATE's screen saver for the
  # hack's entry.
  libwayland-dev wayland-protocols libegl-dev libgles-dev libglib2.0-dev sway grim wtype
  swayidle kwin-wayland mutter systemd
  mate-screensaver
  # The page (platform/web): its compiler, and the browser of its end-to-end run.
  emscripten chromium
)
# Node.js from elsewhere brings its own npm; Debian's needs Debian's beside it.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# puppeteer-core, which drives the installed Chromium (it downloads no browser), at the
# version the lock file names.
web_e2e="$(dirname "$0")/../tests/e2e/web"
if [ ! -d "$web_e2e/node_modules/puppeteer-core" ]; then
  echo "Installing: puppeteer-core (npm)"
  npm ci --prefix "$web_e2e" --no-audit --no-fund --loglevel=error >/dev/null
fi
