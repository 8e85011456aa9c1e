#!/usr/bin/env bash
# Installs every Debian package the build, tests, benchmarks and demo need.
# Idempotent: the package lists are refreshed only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache clang-format clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libyuv-dev libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev libswscale-dev libx264-dev
  libspeexdsp-dev
  openjdk-17-jdk-headless fontconfig fonts-dejavu-core
  ffmpeg nginx-light libnginx-mod-rtmp
  chromium chromium-driver
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
