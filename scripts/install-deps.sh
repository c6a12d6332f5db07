#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what is missing is installed, so a prepared machine pays nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format cppcheck libclang-rt-14-dev
  libgtest-dev libbenchmark-dev libpng-dev libgif-dev libsdl2-dev libx11-dev libgtk-3-dev pkg-config
  xvfb xfonts-base xdotool x11-apps x11-utils x11-xserver-utils x11-xkb-utils libxss1
  imagemagick python3 python3-gi gir1.2-gtk-3.0 procps
  libxml2-utils libgl1-mesa-dri xscreensaver xscreensaver-data xsecurelock
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  dpkg-dev file lintian desktop-file-utils man-db unzip
  g++-aarch64-linux-gnu qemu-user
  # The Wayland program (its protocol glue is generated at build time, its accelerated path
  # draws through EGL) and its end-to-end run under headless sway; MATE's screen saver for
  # the hack's entry.
  libwayland-dev wayland-protocols libegl-dev libgles-dev sway grim wtype swayidle
  mate-screensaver
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
