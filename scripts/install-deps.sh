#!/usr/bin/env bash
# Installs every Debian package Quennet needs to build, test, run, benchmark and package.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
  build-essential g++ clang clang-format libclang-rt-14-dev cmake ninja-build pkg-config \
  libgtest-dev libgmock-dev googletest libbenchmark-dev \
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libegl-dev libgles-dev \
  libgl1-mesa-dri libegl-mesa0 libglx-mesa0 mesa-utils \
  libavformat-dev libavcodec-dev libavfilter-dev libswscale-dev libavutil-dev libwebp-dev \
  libassimp-dev ffmpeg assimp-utils \
  libpng-dev xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core \
  help2man dpkg-dev file desktop-file-utils appstream shared-mime-info
