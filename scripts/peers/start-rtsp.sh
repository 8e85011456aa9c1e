#!/usr/bin/env bash
# Starts an ffmpeg RTSP listener on 127.0.0.1 at a free port that takes one published stream
# at rtsp://127.0.0.1:PORT/live and copies it into OUTPUT (the container follows the file
# name). The listener ends by itself when the publisher tears the stream down.
# Prints the port. Usage: start-rtsp.sh DIR OUTPUT
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
dir=$(mkdir -p "$1" && cd "$1" && pwd)
output=$2
for _ in 1 2 3 4 5; do
    port=$(free_port)
    ffmpeg -nostdin -hide_banner -loglevel warning -rtsp_flags listen \
        -i "rtsp://127.0.0.1:$port/live" -c copy -y "$output" > "$dir/ffmpeg.log" 2>&1 &
    pid=$!
    echo "$pid" > "$dir/ffmpeg.pid"
    if wait_listening "$port" 100 "$pid"; then
        echo "$port"
        exit 0
    fi
    "$here/stop-rtsp.sh" "$dir" 0
done
echo "ffmpeg listener did not start; see $dir/ffmpeg.log" >&2
exit 1
