#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what KESTRAMO needs to build, run and test on Debian 12 (as root or through sudo).
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  zlib1g-dev libdeflate-dev libsodium-dev libzstd-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev
  shared-mime-info fonts-liberation fonts-dejavu-core adwaita-icon-theme hicolor-icon-theme
  # test-only: an independent hash to cross-check ours, and real archive and cipher peers
  libcrypto++-dev zip unzip python3 openssl
  # bench-only: the parallel compressors and the file sealer of the pipelines measured against
  pigz zstd age
  xvfb xauth xdotool x11-utils imagemagick
  # test-only: a real window manager for the whole-session test of the window
  openbox
  # test-only: the window is driven through the accessibility bus, as a screen reader does
  at-spi2-core python3-pyatspi dbus
  # test-only: the Debian package is made (also as a source package, by debhelper), checked
  # (hardening-check is in devscripts) and its completion tried
  dpkg-dev fakeroot debhelper devscripts lintian desktop-file-utils appstream bash-completion
  # test-only: the package's own tests are run, and its copyright file checked against the sources
  autopkgtest licensecheck
  # test-only: a headless Wayland compositor with its X server for older programs
  weston xwayland qt6-wayland
  # test-only: the fuzz targets are built with clang and its fuzzing runtime
  clang libclang-rt-14-dev
  # test-only: the formatting of changed lines is checked (tools/check_format.sh)
  clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
