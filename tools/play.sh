#!/usr/bin/env bash
# Builds a release build and starts the game with the bundled default data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTERRAFOLD_TESTS=OFF -DTERRAFOLD_BENCH=OFF >/dev/null
cmake --build build/release
# The user's own data directory stays first; the bundled data comes after it.
export XDG_DATA_DIRS="$PWD/build/release/share:${XDG_DATA_DIRS:-/usr/local/share/:/usr/share/}"
exec build/release/game/terrafold "$@"
