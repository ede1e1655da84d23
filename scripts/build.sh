#!/usr/bin/env bash
# Configures and builds into a build folder: scripts/build.sh [FOLDER] [CMAKE ARGS...]
# BUILD_TYPE picks the CMake build type; TARGETS (space separated) limits what is built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
targets=()
for t in ${TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
