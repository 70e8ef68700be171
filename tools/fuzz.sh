#!/bin/sh
# Runs one libFuzzer target (or all) for a given time, niced.
#   ./tools/fuzz.sh list
#   ./tools/fuzz.sh <target>|all [seconds, default 600] [more libFuzzer flags]
# Builds into build-fuzz with clang. The seeds in fuzz/<target>/corpus are
# read, new inputs go to build-fuzz/corpus/<target>, a failing input is kept as
# build-fuzz/artifacts/<target>/crash-*; copy it into fuzz/<target>/corpus
# once fixed, so the replay test keeps it checked.
set -e
cd "$(dirname "$0")/.."
TARGET="${1:?usage: $0 list|all|<target> [seconds]}"
SECONDS_EACH="${2:-600}"
[ $# -ge 2 ] && shift 2 || shift $#
targets=""
for d in fuzz/*/; do
    n=$(basename "$d")
    [ -f "$d/fuzz_$n.cpp" ] && targets="$targets $n"
done
if [ "$TARGET" = list ]; then
    echo $targets | tr ' ' '\n'
    exit 0
fi
[ "$TARGET" = all ] && run="$targets" || run="$TARGET"

# clang and its libFuzzer runtime are needed for this command only.
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! dpkg -s clang libclang-rt-14-dev >/dev/null 2>&1; then
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq clang libclang-rt-14-dev
fi
./tools/setup.sh

BUILD=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DT3_FUZZ=ON -DT3_BUILD_TESTS=OFF -DT3_BUILD_BENCH=OFF >/dev/null
for t in $run; do
    cmake --build "$BUILD" --parallel 2 --target "fuzz_$t"
done
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
for t in $run; do
    mkdir -p "$BUILD/corpus/$t" "$BUILD/artifacts/$t"
    echo "== fuzz_$t for ${SECONDS_EACH}s"
    nice -n 19 "$BUILD/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="$BUILD/artifacts/$t/" "$@" "$BUILD/corpus/$t" "fuzz/$t/corpus"
done
