#!/usr/bin/env bash
# Installs the build's packages when any is missing (a warm machine skips apt entirely).
set -euo pipefail

packages=(
  cmake ninja-build g++ python3
  qt6-base-dev libgumbo-dev libjpeg62-turbo-dev zlib1g-dev libglib2.0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth unzip fonts-liberation desktop-file-utils
  clang-16 libclang-rt-16-dev
  ccache libbz2-dev liblzma-dev libzstd-dev libssl-dev libsqlite3-dev libpoppler-cpp-dev
  zip 7zip appstream dpkg-dev file xdotool imagemagick
  ghostscript recollcmd poppler-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
