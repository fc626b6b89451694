#!/usr/bin/env bash
# Installs every Debian package the board needs to build, run and be tested.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpulse-dev libasound2-dev
  libx11-dev libxext-dev libxss-dev
  libwayland-dev libwayland-bin wayland-protocols qt6-base-private-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libyuv-dev
  qt6-webengine-dev
  # run and system tests
  xvfb xauth x11-utils x11-xserver-utils xdotool imagemagick
  xserver-xorg-core xserver-xorg-video-dummy
  qt6-wayland sway grim weston
  pulseaudio pulseaudio-utils alsa-utils dbus dbus-x11
  # video: demuxers and decoders for MP4 (H.264, AAC), MPEG-2, AVI (MJPEG, MPEG-4), sound outputs
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-pulseaudio gstreamer1.0-alsa
  # test clips and the video benchmark
  ffmpeg gstreamer1.0-tools
  fonts-dejavu-core
  python3 python3-pytest python3-pil python3-dbus python3-gi
  # a pictures folder on a file system that the share tests make stop answering
  python3-fusepy fuse3
  # packaging, and the package's logrotate rule in its test
  dpkg-dev file logrotate
  # the Debian 13 check (scripts/check-debian13.sh)
  debootstrap
)

# Every name above exists without a version on Debian 12 and 13 alike. A package that has only
# versioned names would be chosen here by the release in /etc/os-release.
release=$(. /etc/os-release 2>/dev/null && echo "${ID:-}-${VERSION_ID:-}" || true)
case "$release" in
  debian-12 | debian-13) ;;
  *) echo "install-deps: ${release:-this system} is not a supported release (Debian 12 or 13)" \
    "- trying the same packages" >&2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
