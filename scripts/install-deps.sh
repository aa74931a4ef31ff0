#!/usr/bin/env bash
# Installs every Debian package that building and testing Clipvex needs, and
# the comma-decimal locale the number tests switch to (de_DE.UTF-8).
# Idempotent and quiet: does nothing when everything is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libx11-dev libxtst-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils
  libxml2-utils shared-mime-info desktop-file-utils
  clang-14 libclang-rt-14-dev
  quakespasm libgl1-mesa-dri bc python3
  weston xwayland  # a Wayland desktop with XWayland for the preview tests
  locales
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=()
if [ "$(id -u)" != 0 ]; then SUDO=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${SUDO[@]}" apt-get update -qq >/dev/null
  "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A locale whose numbers have a decimal comma, generated from the locales
# package's sources when the system has none of that name.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "Generating the locale de_DE.UTF-8"
  "${SUDO[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
