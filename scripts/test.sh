#!/bin/sh
# The whole test suite, each preset configured, built and tested:
#   default        g++, RelWithDebInfo
#   asan           clang with AddressSanitizer and UBSan
#   mingw-i686     the 32-bit Windows DLL; its export table is checked
#   mingw-x86_64   the 64-bit Windows DLL; the test programs run under Wine
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/install-deps.sh windows
for preset in default asan mingw-i686 mingw-x86_64; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== all tests passed"
