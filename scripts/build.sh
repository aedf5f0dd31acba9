#!/usr/bin/env bash
# Configures and builds Kestrino into build/. With --tests the tests are
# built too; without it only the program and its tool.
set -euo pipefail
cd "$(dirname "$0")/.."
testing=OFF
[ "${1:-}" = "--tests" ] && testing=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING="$testing" >/dev/null
cmake --build build -j"$(nproc)"
