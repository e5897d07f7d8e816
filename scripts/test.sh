#!/bin/sh
# The whole test suite: the default and the sanitizer presets, each
# configured, built and tested.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
for preset in default asan; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== all tests passed"
