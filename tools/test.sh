#!/bin/sh
# Installs what is missing, builds, and runs every test with CTest.
set -e
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh
export QT_QPA_PLATFORM=offscreen
cd "${T3_BUILD_DIR:-build}"
ctest --output-on-failure --parallel 2 "$@"
