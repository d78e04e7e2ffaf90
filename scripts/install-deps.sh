#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the media generator need,
# only those that are missing; apt-get as root, through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
  libminizip-dev zlib1g-dev libjpeg-dev libmpg123-dev libpng-dev
  libfreetype-dev fonts-dejavu-core libstk-dev libebur128-dev libmp3lame-dev
  libgtest-dev libbenchmark-dev libx11-dev libxfixes-dev
  xvfb xauth xdotool x11-utils imagemagick ffmpeg mpg123 sox
  clang libclang-rt-14-dev
)
[ "${1:-}" = "--list" ] && { printf '%s\n' "${packages[@]}"; exit 0; }

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  run=(sudo)
else
  echo "error: these Debian packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  echo "       install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq
"${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
