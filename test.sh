#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test with CTest. Exits non-zero on any failure or sanitizer report.
set -euo pipefail
cd "$(dirname "$0")"
tools/install-deps.sh test
jobs=$(nproc)
# clang lets the fuzz targets link into the same build; g++ serves when it is missing.
compilers=()
if command -v clang++ >/dev/null && command -v clang >/dev/null; then
  compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
fi
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DTM_SANITIZE=ON -DTM_TESTS=ON "${compilers[@]}" >/dev/null
cmake --build build/test -j "$jobs"
cd build/test
ctest --output-on-failure -j "$jobs" "$@"
