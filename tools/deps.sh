#!/usr/bin/env bash
# Installs the Debian packages the build, the game and the tests need, only
# when one is missing (one apt-get update, then one apt-get install).
set -euo pipefail
packages=(
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libepoxy-dev libtbb-dev libglm-dev
  zlib1g-dev libimgui-dev fonts-dejavu-core libgtest-dev libbenchmark-dev cmake ninja-build g++
  bison xvfb xauth mesa-utils libgl1-mesa-dri
  libegl1 libegl-mesa0   # SDL's offscreen video driver renders through EGL
  lua5.4 python3 libmsgpack-dev
  xdotool   # drives the whole game in the end-to-end test
  libxdamage1   # whole-game runs count the frames a window draws
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
