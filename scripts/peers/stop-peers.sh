#!/usr/bin/env bash
# Stops every peer started below ROOT, whatever state its test left it in.
# Usage: stop-peers.sh ROOT
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ -d "$1" ] || exit 0
find "$1" -name nginx.pid | while read -r pid_file; do
    "$here/stop-rtmp.sh" "$(dirname "$pid_file")"
done
find "$1" -name ffmpeg.pid | while read -r pid_file; do
    "$here/stop-rtsp.sh" "$(dirname "$pid_file")" 0
done
exit 0
