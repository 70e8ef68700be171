#!/bin/sh
# Configures and builds into ./build (or $T3_BUILD_DIR).
set -e
cd "$(dirname "$0")/.."
BUILD="${T3_BUILD_DIR:-build}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)" "$@"
