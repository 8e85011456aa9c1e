#!/usr/bin/env bash
# Installs what bench/peers.sh compares the engine with: GStreamer's command-line tools and
# the plugins of `jpegparse ! jpegdec ! videoconvert`. Not part of the build or the tests.
set -euo pipefail

packages=(gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
          gstreamer1.0-plugins-bad ffmpeg)

exec "$(dirname "$0")/../scripts/install-packages.sh" "${packages[@]}"
