#!/usr/bin/env bash
# Starts nginx as an RTMP server on 127.0.0.1 at a free port, with all its files in DIR.
# Publish to rtmp://127.0.0.1:PORT/live/NAME; the stream is recorded to DIR/record/NAME.flv.
# Prints the port. Usage: start-rtmp.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
dir=$(mkdir -p "$1" && cd "$1" && pwd)
mkdir -p "$dir/logs" "$dir/record"
for _ in 1 2 3 4 5; do
    port=$(free_port)
    sed -e "s|@DIR@|$dir|g" -e "s|@PORT@|$port|g" -e "s|@USER@|$(id -un)|g" -e "s|@GROUP@|$(id -gn)|g" "$here/nginx-rtmp.conf.in" > "$dir/nginx.conf"
    rm -f "$dir/nginx.pid"
    if nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/logs/error.log" 2>>"$dir/logs/start.log"; then
        for _ in $(seq 1 50); do
            [ -s "$dir/nginx.pid" ] && break
            sleep 0.1
        done
        if [ -s "$dir/nginx.pid" ] && wait_listening "$port" 50 "$(cat "$dir/nginx.pid")"; then
            echo "$port"
            exit 0
        fi
        "$here/stop-rtmp.sh" "$dir"
    fi
done
echo "nginx did not start; see $dir/logs" >&2
exit 1
