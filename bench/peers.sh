#!/usr/bin/env bash
# CPU per 1080p MJPEG frame of GStreamer and FFmpeg against the engine, on the same
# camera-like frames: each is run on 30 and on 300 frames, and the whole-process CPU
# difference is divided by 270, which leaves start-up and tear-down out.
#   bench/peers.sh [BUILD_DIR]      (GStreamer: bench/setup-peers.sh installs it)
set -euo pipefail

build=${1:-build}
bench="$build/bin/engine_bench"
[ -x "$bench" ] || { echo "peers: $bench not built (cmake --build $build --target engine_bench)"; exit 1; }
for tool in gst-launch-1.0 ffmpeg; do
  command -v "$tool" >/dev/null || { echo "peers: $tool missing; run bench/setup-peers.sh"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --write-mjpeg "$work/frames300.mjpeg" 300
# The first 30 frames of the same file.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
data = open(work + "/frames300.mjpeg", "rb").read()
end, count = 0, 0
while count < 30:
    end = data.index(b"\xff\xd9", end) + 2  # the frames carry no embedded thumbnails
    count += 1
open(work + "/frames30.mjpeg", "wb").write(data[:end])
PY

# User + system CPU seconds of a command and its children.
cpu_of() {
  local TIMEFORMAT='%U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{print $1 + $2}'
}

gstreamer() {
  gst-launch-1.0 -q filesrc location="$1" ! jpegparse ! jpegdec ! videoconvert \
    ! video/x-raw,format=RGBx ! fakesink sync=false
}
ffmpeg_rgb() {
  ffmpeg -nostdin -v error -f mjpeg -i "$1" -pix_fmt rgb0 -f null -
}
engine() {
  "$bench" --replay "$1" --frames "$2"
}

per_frame() {  # name, command...: CPU ms per frame by the 300-minus-30 method
  local name=$1; shift
  local long short
  if [ "$name" = engine ]; then
    long=$(cpu_of engine "$work/frames300.mjpeg" 300)
    short=$(cpu_of engine "$work/frames30.mjpeg" 30)
  else
    long=$(cpu_of "$@" "$work/frames300.mjpeg")
    short=$(cpu_of "$@" "$work/frames30.mjpeg")
  fi
  awk -v a="$long" -v b="$short" 'BEGIN { printf "%.2f", (a - b) * 1000 / 270 }'
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
engine_ms=$(per_frame engine)
gst_ms=$(per_frame gstreamer gstreamer)
ffmpeg_ms=$(per_frame ffmpeg ffmpeg_rgb)
echo "1080p MJPEG camera-like frames, CPU ms per frame (300 minus 30 frames, / 270):"
echo "  engine (replayed at 60 fps)  $engine_ms"
awk -v g="$gst_ms" -v f="$ffmpeg_ms" -v e="$engine_ms" 'BEGIN {
  printf "  GStreamer (jpegparse ! jpegdec ! videoconvert)  %s   peer/engine %.2f\n", g, g / e
  printf "  FFmpeg (mjpeg -> rgb0)                         %s   peer/engine %.2f\n", f, f / e
}'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
