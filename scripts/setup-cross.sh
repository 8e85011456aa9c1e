#!/usr/bin/env bash
# Installs what the cross check needs on top of setup.sh: Debian's cross compilers for 64- and
# 32-bit ARM, the ARM builds of the libraries the engine and its stand-ins link, and qemu's
# user-mode emulator that runs the test programs. Idempotent; only the cross check calls it.
set -euo pipefail

arches=(arm64 armhf)
# The libraries of setup.sh that the native build links, for the target architecture, and the
# C and C++ runtime the test programs start with under qemu.
libraries=(
  libc6 libstdc++6
  libgtest-dev libgmock-dev
  libyuv-dev libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev libswscale-dev libx264-dev
  libspeexdsp-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
for arch in "${arches[@]}"; do
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    "${sudo_cmd[@]}" dpkg --add-architecture "$arch"
  fi
done

packages=(qemu-user)
for arch in "${arches[@]}"; do
  packages+=("crossbuild-essential-$arch")
  for lib in "${libraries[@]}"; do
    packages+=("$lib:$arch")
  done
done

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
