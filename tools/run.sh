#!/bin/sh
# Installs what is missing, builds, starts the tracker simulator and the program.
# With --no-sim the program starts alone (for a real serial port).
set -e
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh
BUILD="${T3_BUILD_DIR:-build}"
SIM_PID=""
if [ "$1" != "--no-sim" ]; then
    "$BUILD/sim/t3sim" &
    SIM_PID=$!
    trap 'kill $SIM_PID 2>/dev/null' EXIT INT TERM
    sleep 0.5
fi
"$BUILD/src/t3config"
