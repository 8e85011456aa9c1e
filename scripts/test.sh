#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j "$(nproc)"
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" --timeout 600
