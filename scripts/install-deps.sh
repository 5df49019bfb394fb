#!/usr/bin/env bash
# Installs the Debian packages Scrivora builds and tests with, but only those
# that are missing, so repeated runs cost nothing. Needs root for apt-get.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  zlib1g-dev libpng-dev libgtest-dev
  qt6-base-dev
  python3-fonttools fonts-dejavu-core
  libosp-dev opensp sgml-data
  libxml2-dev libzip-dev qt6-image-formats-plugins
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
