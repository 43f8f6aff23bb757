#!/usr/bin/env bash
# Installs what the ARM64 cross build needs on an x86-64 Debian machine: the aarch64 cross
# compiler, qemu's user-mode emulator to run the tests, and the arm64 builds of the libraries
# the software device and its tests link (libpng with zlib, GoogleTest) and run on (the C and
# C++ runtime libraries).
# Safe to run again: with everything installed it does nothing.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
packages=(g++-aarch64-linux-gnu qemu-user cmake ninja-build pkg-config
  libgtest-dev:arm64 libgmock-dev:arm64 libpng-dev:arm64 zlib1g-dev:arm64
  libc6:arm64 'libstdc++6:arm64')
# Nothing to do (and no package lists to fetch) when every package is there already.
missing=0
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed' || missing=1
done
if [ "$missing" -eq 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    $SUDO dpkg --add-architecture arm64
  fi
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
fi
