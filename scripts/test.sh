#!/usr/bin/env bash
# Sets up the machine and runs the checks; exits non-zero on any failure:
#   format  clang-format --dry-run on the project's sources
#   plain   the product build and the whole suite
#   asan    the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan    the threaded areas under ThreadSanitizer (see tsan_areas)
#   fuzz    libFuzzer targets (clang) on their seed corpora for FUZZ_SECONDS each
#   cross   64- and 32-bit ARM builds, their tests under qemu (see cross_areas), and the device
#           build of jni/ alone for 64-bit ARM
# All run unless ORRIN_CHECKS names some, e.g. ORRIN_CHECKS="format plain".
# The sanitizer builds compile only the test areas they run (targets tests_<area>, tests
# labelled <area>), with less optimisation and line tables only: they build faster that way.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

checks=${ORRIN_CHECKS:-format plain asan tsan fuzz cross}
jobs=$(nproc)
# Most tests wait on a camera running in real time, so twice as many run as there are cores.
test_jobs=${ORRIN_TEST_JOBS:-$((2 * jobs))}
fuzz_seconds=${FUZZ_SECONDS:-10}
# The sanitizer builds run the tests several times slower, ThreadSanitizer's most: their guard
# times and real-time tolerances grow by these factors (tests/support/wait_until.h).
asan_time_scale=${ORRIN_TEST_TIME_SCALE:-3}
tsan_time_scale=${ORRIN_TEST_TIME_SCALE:-6}
# qemu's user-mode emulation runs ARM code several times slower than the host runs its own.
cross_time_scale=${ORRIN_TEST_TIME_SCALE:-8}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths relative to the clone, so that every clone of the project shares the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
fi

# Every test area (a folder of tests/ with its own CMakeLists.txt).
all_areas=$(for f in tests/*/CMakeLists.txt; do basename "$(dirname "$f")"; done)
# Areas whose code runs threads of its own. Left out: unit (single-threaded helpers) and the
# JVM areas (bridge, demo), which ThreadSanitizer cannot run.
tsan_areas="audio auxa engine forwarding h264 lifecycle livestream media peers recording
  still_controls streamer uvc"
# Areas the cross check runs under emulation, for both architectures. Left out: the JVM areas
# (no JVM of the target) and the areas that stream to the loopback peers (auxa, lifecycle,
# livestream, peers, streamer), which the time of the whole command does not allow.
cross_areas="unit uvc media engine still_controls audio forwarding recording h264"
# Tests the cross check leaves out: most count the pictures that the 720p encoders keep up with
# in real time, or that arrive within a fixed engine check, which emulation does not sustain;
# RepeatedRecordings counts threads against a first count taken while the previous recording's
# threads may still be ending; VolumeCallback and PreviewThreadFailure ran into their guard
# times now and then under qemu on a loaded machine (waiting for sound levels and for the thread
# count to settle), cause not yet found; the ParallelDecode tests stream 4K cameras whose frames
# the emulated camera re-encodes more slowly than the tests' time allows on 32-bit ARM.
cross_skip="^(FileRecording\.CounterCameraWithSineMicrophone|RecordingLife\.(Paused|VideoOnly|\
RepeatedRecordings).*|Refusals\.StartAndSetRecordingInOrder|\
VolumeCallback\.LevelsOfEachBlockOnTheEngineThread|PreviewThreadFailure\..*|ParallelDecode\..*)\$"
# Debian's cross toolchains (cmake/toolchains/) and the build folders of their architectures.
cross_targets="aarch64-linux-gnu:build-aarch64 arm-linux-gnueabihf:build-armhf"
sanitizer_flags=(-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG")

# configure DIR [cmake options...]
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
}

# build_areas DIR AREA...: builds what the tests of those areas run.
build_areas() {
  local dir=$1 area targets=()
  shift
  for area in "$@"; do
    targets+=("tests_$area")
  done
  cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
}

# A label expression matching exactly the given areas.
area_labels() {
  local IFS='|'
  echo "^($*)\$"
}

run_suite() {
  ctest --test-dir "$1" --output-on-failure -j "$test_jobs" --timeout 900 --no-tests=ignore \
    "${@:2}"
}

# run_scaled_suite SCALE DIR [ctest options...]
run_scaled_suite() {
  ORRIN_TEST_TIME_SCALE=$1 run_suite "${@:2}"
}

check_format() {
  git ls-files '*.c' '*.cpp' '*.h' '*.inl' | xargs clang-format --dry-run -Werror
}

check_plain() {
  local dir=${BUILD_DIR:-build}
  configure "$dir"
  cmake --build "$dir" -j "$jobs"
  run_suite "$dir"
}

check_asan() {
  configure build-asan -DORRIN_SANITIZER=address "${sanitizer_flags[@]}"
  # shellcheck disable=SC2086
  build_areas build-asan $all_areas
  run_scaled_suite "$asan_time_scale" build-asan -LE jvm
  # The JVM handles its own segmentation faults.
  ASAN_OPTIONS=handle_segv=0 run_scaled_suite "$asan_time_scale" build-asan -L jvm
}

check_tsan() {
  configure build-tsan -DORRIN_SANITIZER=thread "${sanitizer_flags[@]}"
  # shellcheck disable=SC2086
  build_areas build-tsan $tsan_areas
  # shellcheck disable=SC2086
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_scaled_suite "$tsan_time_scale" build-tsan -L "$(area_labels $tsan_areas)" -LE jvm
}

check_fuzz() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "${launcher[@]}" -DORRIN_SANITIZER=fuzz
  local corpus name
  for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    cmake --build build-fuzz -j "$jobs" --target "${name}_fuzzer"
    # New inputs go to the build folder; the seeds in the repository stay as they are.
    mkdir -p "build-fuzz/corpus/$name"
    # A target's own libFuzzer flags, if it needs any, one per line in fuzz/<name>.options.
    local options=()
    if [ -f "fuzz/$name.options" ]; then
      mapfile -t options < "fuzz/$name.options"
    fi
    # The stand-ins use the shared sanitizer runtime, loaded after the C++ libraries.
    ASAN_OPTIONS=verify_asan_link_order=0 "build-fuzz/bin/${name}_fuzzer" \
      -max_total_time="$fuzz_seconds" -rss_limit_mb=4096 "${options[@]}" \
      -print_final_stats=1 "build-fuzz/corpus/$name" "$corpus"
  done
}

check_cross() {
  ./scripts/setup-cross.sh
  # No debug information: it only slows the builds; a warning on either architecture fails.
  local flags=(-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
  local target triple dir
  for target in $cross_targets; do
    triple=${target%%:*} dir=${target#*:}
    echo "--- $triple"
    configure "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$triple.cmake" "${flags[@]}"
    # shellcheck disable=SC2086
    build_areas "$dir" $cross_areas
    # shellcheck disable=SC2086
    # A test that fails under emulation runs once more: a fault fails twice, a moment in which
    # qemu fell behind a guard time does not.
    run_scaled_suite "$cross_time_scale" "$dir" -L "$(area_labels $cross_areas)" -E "$cross_skip" \
      --repeat until-pass:2
  done
  # jni/ alone for 64-bit ARM, linked by name with the 64-bit ARM stand-ins as the device's
  # libraries: a dependency of jni/ on anything else fails here.
  echo "--- device build (aarch64-linux-gnu)"
  configure build-device -DORRIN_DEVICE_BUILD=ON "${flags[@]}" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake \
    -DORRIN_DEVICE_LIBRARY_DIRS="$PWD/build-aarch64/lib"
  cmake --build build-device -j "$jobs"
}

for check in $checks; do
  echo "=== $check ($(date +%T))"
  "check_$check"
done
echo "=== all checks passed ($(date +%T))"
