#!/usr/bin/env bash
# Installs the system libraries the build links against. Skips the package manager
# entirely when everything is already present, so repeated runs stay fast.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libabsl-dev libboost1.81-dev libtbb-dev libpcre2-dev libgtest-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
