#!/usr/bin/env bash
# Installs the Debian packages the tree needs, and nothing when all are present.
# apt-get update runs only when something is missing, so a prepared machine starts at once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  qt6-base-dev libgl-dev qt6-translations-l10n
  libhidapi-dev libudev-dev xdg-utils
  libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev libboost-dev binutils-dev
  gcc-arm-none-eabi libnewlib-arm-none-eabi binutils
  libunicorn-dev
  gettext
  clang llvm libclang-rt-14-dev
  fonts-wqy-microhei
  xvfb xauth x11vnc openbox
  python3
  weasyprint
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
