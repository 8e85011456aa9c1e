#!/usr/bin/env bash
# Stops the listener started by start-rtsp.sh in DIR. It is given GRACE tenths of a second
# (default 50) to finish its file after the publisher left, then interrupted.
# Usage: stop-rtsp.sh DIR [GRACE]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
pid_file="$1/ffmpeg.pid"
[ -s "$pid_file" ] || exit 0
end_process "$(cat "$pid_file")" "${2:-50}"
rm -f "$pid_file"
