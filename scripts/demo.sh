#!/usr/bin/env bash
# The project's main job: runs the camera engine end to end from Java against a virtual camera
# and leaves pictures, a recording, a sound plot and report.html in the output folder.
# From a fresh clone it installs the packages (scripts/setup.sh) and builds what the demo needs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() {
    cat <<'USAGE'
usage: ./scripts/demo.sh [options]
  --description FILE    camera description (default platform/uvc/descriptions/demo-webcam.conf)
  --cameras 1|2         cameras connected, previewed and recorded at once (default 1)
  --second-description FILE
                        the second camera's description
                        (default platform/uvc/descriptions/demo-h264cam.conf)
  --seconds N           seconds to record (default 10)
  --out DIR             output folder (default demo-out)
  --deliverable NAME    libOrrinUVC5_TL (default) or libOrrinUVC0
  --format mjpeg|yuyv   stream format (default: the camera's default stream)
  --size WxH            frame size (default: the camera's default size)
  --live rtmp|rtsp      also live-stream to a local peer that the script starts and stops
  --live-url URL        also live-stream to a peer that is already running
  --build-dir DIR       build folder (default build)
  --no-build            use the build folder as it is (no setup, no build)
USAGE
}

fail() {
    echo "demo: $*" >&2
    exit 2
}

description=platform/uvc/descriptions/demo-webcam.conf
second_description=platform/uvc/descriptions/demo-h264cam.conf
seconds=10
out=demo-out
deliverable=libOrrinUVC5_TL
build_dir=${BUILD_DIR:-build}
build=1
live=""
live_url=""
passed=()
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || { [ "$1" = --no-build ] || [ "$1" = --help ] || [ "$1" = -h ]; } ||
        fail "missing value after $1"
    case "$1" in
        --description) description=$2; shift 2 ;;
        --seconds) seconds=$2; shift 2 ;;
        --out) out=$2; shift 2 ;;
        --deliverable) deliverable=$2; shift 2 ;;
        --second-description) second_description=$2; shift 2 ;;
        --format | --size | --cameras) passed+=("$1" "$2"); shift 2 ;;
        --live) live=$2; shift 2 ;;
        --live-url) live_url=$2; shift 2 ;;
        --build-dir) build_dir=$2; shift 2 ;;
        --no-build) build=0; shift ;;
        -h | --help) usage; exit 0 ;;
        *) usage >&2; fail "unknown option $1" ;;
    esac
done

case "$deliverable" in
    libOrrinUVC5_TL | OrrinUVC5_TL) target=OrrinUVC5_TL ;;
    libOrrinUVC0 | OrrinUVC0) target=OrrinUVC0 ;;
    *) fail "deliverable must be libOrrinUVC5_TL or libOrrinUVC0, not $deliverable" ;;
esac
case "$live" in
    "" | rtmp | rtsp) ;;
    *) fail "--live takes rtmp or rtsp, not $live" ;;
esac
[ -z "$live" ] || [ -z "$live_url" ] || fail "give --live or --live-url, not both"
[ -f "$description" ] && [ -r "$description" ] || fail "cannot read camera description $description"
mkdir -p "$out" 2>/dev/null && [ -d "$out" ] && [ -w "$out" ] && [ -x "$out" ] ||
    fail "cannot write to output folder $out"
out=$(cd "$out" && pwd)

if [ "$build" = 1 ]; then
    ./scripts/setup.sh
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
    cmake --build "$build_dir" -j "$(nproc)" --target "$target" lumivo_demo
fi
build_dir=$(cd "$build_dir" && pwd)
classpath=$(cat "$build_dir/java/demo/classpath.txt" 2>/dev/null) ||
    fail "the demo is not built in $build_dir (run without --no-build)"

# A live peer of our own lives in a folder of the build tree and stops whatever happens.
peer_dir=""
stop_peer() {
    [ -n "$peer_dir" ] || return 0
    if [ "$live" = rtmp ]; then
        scripts/peers/stop-rtmp.sh "$peer_dir" >/dev/null 2>&1 || true
    else
        scripts/peers/stop-rtsp.sh "$peer_dir" >/dev/null 2>&1 || true
    fi
    # What the peer received was copied into the output folder.
    rm -rf "$peer_dir"
}
trap stop_peer EXIT
live_args=()
if [ -n "$live" ]; then
    peer_dir=$(mktemp -d "$build_dir/demo-peer.XXXXXX")
    if [ "$live" = rtmp ]; then
        port=$(scripts/peers/start-rtmp.sh "$peer_dir" 2>/dev/null) || { echo "demo: the local RTMP peer did not start" >&2; exit 4; }
        live_args=(--live-url "rtmp://127.0.0.1:$port/live/demo" --live-recording "$peer_dir/record/demo.flv")
    else
        port=$(scripts/peers/start-rtsp.sh "$peer_dir" "$peer_dir/live.mkv" 2>/dev/null) || { echo "demo: the local RTSP peer did not start" >&2; exit 4; }
        live_args=(--live-url "rtsp://127.0.0.1:$port/live" --live-recording "$peer_dir/live.mkv")
    fi
elif [ -n "$live_url" ]; then
    live_args=(--live-url "$live_url")
fi

# A deliverable of an AddressSanitizer build needs the sanitizer runtimes loaded before the JVM;
# the JVM takes SIGSEGV for itself and keeps memory to its end, so neither is reported, also
# when the caller passes options of its own (the leak check cannot run over the JVM's threads).
sanitizer_env=()
runtimes=$(ldd "$build_dir/lib/lib$target.so" 2>/dev/null | awk '$1 ~ /^lib(asan|ubsan)\.so/ { print $3 }')
if [ -n "$runtimes" ]; then
    sanitizer_env=(LD_PRELOAD="$(echo $runtimes)"
                   ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}handle_segv=0:allow_user_segv_handler=1:detect_leaks=0")
fi

# The engine's log lines (the device log on a phone) go to engine.log; the demo's own lines
# and any refusal go to the terminal.
status=0
env ${sanitizer_env[@]+"${sanitizer_env[@]}"} java ${DEMO_JAVA_OPTS:-} -Djava.awt.headless=true -Djava.library.path="$build_dir/lib" \
    -cp "$classpath" com.orrinworks.lumivodemo.DemoMain \
    --description "$description" --second-description "$second_description" --seconds "$seconds" --out "$out" --deliverable "$target" \
    ${passed[@]+"${passed[@]}"} ${live_args[@]+"${live_args[@]}"} 2>"$out/engine.log" || status=$?
case "$status" in
    0) echo "demo: done; open $out/report.html in a browser" ;;
    2 | 3 | 4 | 5) ;; # the demo said why in one line
    6) echo "demo: finished, but not everything was done (NOT DONE above); see $out/report.html" ;;
    *) echo "demo: the run failed (exit $status); the engine's log is $out/engine.log" ;;
esac
exit "$status"
