#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTERRAFOLD_SANITIZE=ON >/dev/null
cmake --build build/asan
# The GL driver's threads keep dynamic thread-local storage that the leak
# checker, when it follows it, can read after the driver has let it go (a
# crash of the checker at exit, seen on two cores); the driver's own
# allocations are suppressed anyway.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir build/asan --output-on-failure --no-tests=error -j "$(nproc)"

# The page pipeline's worker threads, under ThreadSanitizer in a build of
# their own.
bash tools/test_tsan.sh
