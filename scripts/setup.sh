#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and benchmarking Brinewick needs.
# Idempotent: packages already present are skipped, and apt is only asked when one is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache clang-format
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libx11-dev
  libnetcdf-dev netcdf-bin
  libcurl4-openssl-dev zlib1g-dev openssl curl
  libgtest-dev
  python3 python3-pyftpdlib
  fonts-urw-base35 fonts-wqy-microhei fonts-dejavu-core
  xvfb xauth imagemagick time
  locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

# Tests render under a decimal-comma locale to prove the text does not depend on it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "setup: generating the de_DE.UTF-8 locale"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
