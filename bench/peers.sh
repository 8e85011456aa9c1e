#!/usr/bin/env bash
# CPU per 1080p MJPEG frame of GStreamer and FFmpeg against the engine, on the same
# camera-like frames: each is run on 30 and on 300 frames, and the whole-process CPU
# difference is divided by 270, which leaves start-up and tear-down out. Then the flat-out
# frame rate of each on the same 4K frames (wall time of 300 frames minus 30, / 270; the
# engine's frames are sent at 120 fps, so it shows at most that).
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
"$bench" --write-mjpeg "$work/4k300.mjpeg" 300 4k
# The first 30 frames of each file.
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
for long, short in (("frames300", "frames30"), ("4k300", "4k30")):
    data = open(work + "/" + long + ".mjpeg", "rb").read()
    end, count = 0, 0
    while count < 30:
        end = data.index(b"\xff\xd9", end) + 2  # the frames carry no embedded thumbnails
        count += 1
    open(work + "/" + short + ".mjpeg", "wb").write(data[:end])
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

# Wall seconds of a command.
wall_of() {
  local TIMEFORMAT='%R'
  { time "$@" >/dev/null 2>&1; } 2>&1
}

rate() {  # name, command...: frames a second flat out by the 300-minus-30 method, 4K frames
  local name=$1; shift
  local long short
  if [ "$name" = engine ]; then
    long=$(wall_of "$bench" --replay "$work/4k300.mjpeg" --frames 300 4k)
    short=$(wall_of "$bench" --replay "$work/4k30.mjpeg" --frames 30 4k)
  else
    long=$(wall_of "$@" "$work/4k300.mjpeg")
    short=$(wall_of "$@" "$work/4k30.mjpeg")
  fi
  awk -v a="$long" -v b="$short" 'BEGIN { printf "%.1f", 270 / (a - b) }'
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
engine_fps=$(rate engine)
gst_fps=$(rate gstreamer gstreamer)
ffmpeg_fps=$(rate ffmpeg ffmpeg_rgb)
echo "4K MJPEG camera-like frames (restart markers), frames a second flat out (300 minus 30):"
awk -v g="$gst_fps" -v f="$ffmpeg_fps" -v e="$engine_fps" 'BEGIN {
  printf "  engine (sent at 120 fps)                       %s\n", e
  printf "  GStreamer (jpegparse ! jpegdec ! videoconvert)  %s   engine/peer %.2f\n", g, e / g
  printf "  FFmpeg (mjpeg -> rgb0)                         %s   engine/peer %.2f\n", f, e / f
}'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
