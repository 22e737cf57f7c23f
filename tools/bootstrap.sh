#!/usr/bin/env bash
# Installs the Debian packages the build needs (only the missing ones) and builds a preset.
# Sourced by ./run and ./check.
set -euo pipefail

VOR_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libsdl2-dev libfluidsynth-dev timgm6mb-soundfont libasound2-dev
  xvfb xauth
)

vor_install_packages() {
  local missing=()
  for p in "${VOR_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# vor_build PRESET [TARGET...]: configure once, then build the targets (all when none is named) incrementally.
vor_build() {
  local preset=$1 dir=build
  shift
  local targets=()
  if [ $# -gt 0 ]; then targets=(--target "$@"); fi
  [ "$preset" != default ] && dir=build-$preset
  if [ ! -f "$dir/build.ninja" ] || [ -n "${VOR_CMAKE_ARGS:-}" ]; then
    cmake --preset "$preset" ${VOR_CMAKE_ARGS:-} >/dev/null
  fi
  cmake --build --preset "$preset" -j "${VOR_JOBS:-2}" "${targets[@]}"
}
