#!/bin/sh
# Builds TagShelf with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test. Set TAGSHELF_SANITIZE=OFF for a plain build.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
sh "$root/scripts/install-deps.sh"

sanitize="${TAGSHELF_SANITIZE:-ON}"
build="$root/build/test-$(echo "$sanitize" | tr 'A-Z' 'a-z')"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAGSHELF_SANITIZE="$sanitize" >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
