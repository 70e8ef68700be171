#!/bin/sh
# Builds the whole suite under a sanitizer and runs every test.
#   ./tools/sanitize.sh address   ASan + UBSan in build-asan
#   ./tools/sanitize.sh thread    TSan in build-tsan
# Further arguments go to ctest (e.g. -R session).
set -e
cd "$(dirname "$0")/.."
KIND="${1:-address}"
[ $# -gt 0 ] && shift
case "$KIND" in
    address) BUILD=build-asan ;;
    thread) BUILD=build-tsan ;;
    *) echo "usage: $0 address|thread [ctest args]" >&2; exit 2 ;;
esac
./tools/setup.sh
SUPP="$(pwd)/tools/sanitizers"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DT3_SANITIZE="$KIND" -DT3_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$SUPP/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="suppressions=$SUPP/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
cd "$BUILD"
# A timing test may miss its mark on a loaded machine under a sanitizer; a
# sanitizer report fails on every try.
ctest --output-on-failure --parallel 2 --repeat until-pass:2 "$@"
