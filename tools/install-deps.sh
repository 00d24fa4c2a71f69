#!/usr/bin/env bash
# Installs the Debian packages that the build, the player and the tests need.
# Runs apt-get only when something is missing, so a second call is quick.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libx11-dev
  zlib1g-dev libbz2-dev libpng-dev libjpeg62-turbo-dev
  libopenmpt-dev libsndfile1-dev openmpt123
  imagemagick netpbm
  xvfb xauth xdotool x11-utils x11-apps
  python3 python3-pil fonts-dejavu-core
  libosmesa6-dev
  zip bzip2 lhasa
  clang libclang-rt-14-dev
  lib3ds-dev libassimp-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
