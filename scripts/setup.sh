#!/usr/bin/env bash
# Installs every Debian package the build, tests, benchmarks and demo need.
# Idempotent: the package lists are refreshed only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  libyuv-dev libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev libswscale-dev libx264-dev
  libspeexdsp-dev
  openjdk-17-jdk-headless fontconfig fonts-dejavu-core
  ffmpeg nginx-light libnginx-mod-rtmp
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
