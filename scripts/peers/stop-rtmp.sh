#!/usr/bin/env bash
# Stops the nginx started by start-rtmp.sh in DIR (its recordings are closed first).
# Usage: stop-rtmp.sh DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
pid_file="$1/nginx.pid"
[ -s "$pid_file" ] || exit 0
pid=$(cat "$pid_file")
kill -s TERM "$pid" 2>/dev/null
end_process "$pid" 50
rm -f "$pid_file"
