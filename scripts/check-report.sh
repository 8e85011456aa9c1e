#!/usr/bin/env bash
# Opens a demo report in headless Chromium (through chromedriver, no network, a fresh profile)
# and says what the browser made of it: how many of its pictures loaded, the duration each
# video element found (or its error code), in page order, and a screenshot of the page.
# Prints "images LOADED/TOTAL" and "video SECONDS|error CODE ..." (or "video none").
# Usage: check-report.sh REPORT.html SCREENSHOT.png
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/peers/common.sh"
[ $# -eq 2 ] && [ -f "$1" ] || { echo "usage: check-report.sh REPORT.html SCREENSHOT.png" >&2; exit 2; }
report=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
screenshot=$2
work=$(mktemp -d)
driver_pid=""
cleanup() {
    [ -z "$driver_pid" ] || kill "$driver_pid" 2>/dev/null || true
    [ -z "$driver_pid" ] || wait "$driver_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

port=$(free_port)
chromedriver --port="$port" --log-path="$work/driver.log" >/dev/null 2>&1 &
driver_pid=$!
wait_listening "$port" 100 "$driver_pid" || { echo "chromedriver did not start" >&2; exit 1; }
api="http://127.0.0.1:$port"

value_of() { sed -n 's/.*"'"$1"'":"\([^"]*\)".*/\1/p'; }

cat > "$work/session.json" <<JSON
{"capabilities": {"alwaysMatch": {"browserName": "chrome", "goog:chromeOptions": {
  "binary": "/usr/bin/chromium",
  "args": ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--user-data-dir=$work/profile", "--window-size=1400,2400"]}}}}
JSON
session=$(curl -sf -X POST "$api/session" -H 'Content-Type: application/json' -d @"$work/session.json" |
          value_of sessionId)
[ -n "$session" ] || { echo "chromium did not start; see chromedriver's log" >&2; cat "$work/driver.log" >&2; exit 1; }
at="$api/session/$session"
curl -sf -X POST "$at/timeouts" -d '{"script": 60000, "pageLoad": 60000}' >/dev/null
curl -sf -X POST "$at/url" -d "{\"url\": \"file://$report\"}" >/dev/null

# The page has loaded (pictures included); the videos' metadata may still be on its way.
cat > "$work/check.json" <<'JSON'
{"args": [], "script": "const done = arguments[arguments.length - 1]; const images = Array.from(document.images); const loaded = images.filter(i => i.complete && i.naturalWidth > 0).length; const head = 'images ' + loaded + '/' + images.length + ' video '; const videos = Array.from(document.querySelectorAll('video')); if (!videos.length) { done(head + 'none'); return; } const settled = v => new Promise(ready => { if (v.error || v.readyState >= 1) { ready(); return; } v.addEventListener('loadedmetadata', ready); v.addEventListener('error', ready); }); Promise.all(videos.map(settled)).then(() => done(head + videos.map(v => v.error ? 'error ' + v.error.code : String(v.duration)).join(' ')));"}
JSON
result=$(curl -sf -X POST "$at/execute/async" -d @"$work/check.json" | value_of value)
curl -sf "$at/screenshot" | value_of value | base64 -d > "$screenshot"
curl -sf -X DELETE "$at" >/dev/null || true
echo "${result% video *}"
echo "video ${result#* video }"
