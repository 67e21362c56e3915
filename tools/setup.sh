#!/usr/bin/env bash
# Installs what quarvel needs to build and test (Debian packages, only those
# missing), then configures and builds it in build/.
#
#   tools/setup.sh              install and build
#   BUILD_DIR=dir tools/setup.sh   build somewhere else
#   CMAKE_ARGS="-DQUARVEL_SANITIZE=ON" tools/setup.sh   extra CMake options
set -euo pipefail

cd "$(dirname "$0")/.."

packages=(
  g++ make cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
  libosmesa6-dev libpng-dev libdeflate-dev libgif-dev libcairo2-dev fonts-dejavu-core ffmpeg
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils apitrace imagemagick poppler-utils librsvg2-bin
  clang libclang-rt-14-dev
  libmuparser-dev libtiff-dev libgeotiff-dev libproj-dev python3-numpy time
  pybind11-dev python3-pybind11 python3-pytest python3-pandas
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "quarvel setup: installing ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "quarvel setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=${BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
# The README's recipes call the programs by name.
[ "$build" != build ] || echo "quarvel setup: built; to call the programs by name: export PATH=\"$PWD/build:$PWD/build/tools:\$PATH\""
