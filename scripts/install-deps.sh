#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test QOR ETC.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config git
      qt6-base-dev qt6-serialport-dev qt6-charts-dev libgl-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      xvfb xauth)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
