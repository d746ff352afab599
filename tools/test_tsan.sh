#!/usr/bin/env bash
# Builds the world's tests with ThreadSanitizer in their own folder and runs
# the ones that put the page pipeline on worker threads.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTERRAFOLD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/tsan --target world_tests
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}
build/tsan/tests/world/world_tests --gtest_filter='Pipeline_threads.*'
