#!/usr/bin/env bash
# Installs what is missing, builds in release mode and starts The Harrowmere Demo.
# Extra arguments are passed to the game (for example: ./run.sh --multiple).
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTM_TESTS=OFF >/dev/null
cmake --build build/release --target harrowmere
exec build/release/bin/harrowmere "$@"
