#!/usr/bin/env bash
# A build with testing off: it configures without looking for GoogleTest or
# Qt Test, and it has the program but no test target.
# Usage: testing_off.sh SOURCE_DIR
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Finding GoogleTest is made an error, so looking for it at all fails here.
if ! cmake -S "$src" -B "$tmp" -G Ninja -DBUILD_TESTING=OFF \
     -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON >"$tmp/configure.log" 2>&1; then
  cat "$tmp/configure.log"
  echo "FAIL: a build with testing off does not configure"
  exit 1
fi
if grep -E '^(GTest_DIR|GTEST_[A-Z_]*|Qt6Test_DIR):' "$tmp/CMakeCache.txt"; then
  echo "FAIL: testing off still looked for a test framework"
  exit 1
fi
targets=$(ninja -C "$tmp" -t targets all)
if ! grep -qE '^kestrino:' <<<"$targets"; then
  echo "FAIL: no program target"
  exit 1
fi
if grep -E '^(core_tests|panel_[A-Za-z]+|kestrino_testsupport):' <<<"$targets"; then
  echo "FAIL: test targets in a build with testing off"
  exit 1
fi
echo "testing off: program only, no test framework looked for"
