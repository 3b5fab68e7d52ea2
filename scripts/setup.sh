#!/usr/bin/env bash
# Installs every Debian package the project needs; quick when they are all present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev libgl-dev
  libsdl2-dev librtmidi-dev libxmp-dev libsndfile1-dev
  libgtest-dev libgmock-dev
  libopenmpt-dev openmpt123
  clang libclang-rt-14-dev
  xvfb xauth imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
