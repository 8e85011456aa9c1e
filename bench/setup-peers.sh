#!/usr/bin/env bash
# Installs what bench/peers.sh compares the engine with: GStreamer's command-line tools and
# the plugins of `jpegparse ! jpegdec ! videoconvert`. Not part of the build or the tests.
set -euo pipefail

packages=(gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
          gstreamer1.0-plugins-bad ffmpeg)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup-peers: all packages present"
  exit 0
fi
echo "setup-peers: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
