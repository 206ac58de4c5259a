#!/usr/bin/env bash
# Installs the Debian packages the build, tests and demo need; skips the
# package manager entirely when everything is already there.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-5compat-dev qt6-tools-dev qt6-l10n-tools libqt6opengl6-dev
  libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  libopencv-dev zlib1g-dev libjpeg-dev
  xvfb xauth x11-apps imagemagick
  clang-14 libclang-rt-14-dev
  ansible-core
  dpkg-dev file lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
