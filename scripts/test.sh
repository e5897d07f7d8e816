#!/bin/sh
# The whole test suite, each preset configured, built and tested:
#   default        g++, RelWithDebInfo
#   asan           clang with AddressSanitizer and UBSan
#   linux-i686     g++ -m32; the test programs run under qemu-i386
#   mingw-i686     the 32-bit Windows DLL; its export table and the package
#                  are checked
#   mingw-x86_64   the 64-bit Windows DLL; the test programs run under Wine
# then the two Windows ZIPs are written by their package workflows, the
# Python package's tests over the default build, and the robustness runs.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/install-deps.sh windows
scripts/install-deps.sh i686
for preset in default asan linux-i686 mingw-i686 mingw-x86_64; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
for preset in mingw-i686-package mingw-x86_64-package; do
  echo "=== $preset"
  cmake --workflow --preset "$preset"
done
# --- Python package ----------------------------------------------------------
# `pip install ./python` into a fresh virtual environment of Debian's Python
# (its pytest and nameparser visible), then its tests against the default
# build's library and tool.
echo "=== python"
scripts/install-deps.sh python
venv=$(mktemp -d)
/usr/bin/python3 -m venv --system-site-packages "$venv"
"$venv/bin/python" -m pip install --quiet ./python
HVCN_LIBRARY="$PWD/build/default/lib/libhvcn.so" "$venv/bin/python" -m pytest -q python/tests
rm -rf "$venv"
# -----------------------------------------------------------------------------
# --- Robustness: threads, memory, fuzzing -----------------------------------
# ThreadSanitizer over the whole suite; valgrind memcheck over the unit, API
# and replay tests of the default build; then each fuzz target for a short
# run (HVCN_FUZZ_SECONDS, 10 s) when clang's libFuzzer is there.
echo "=== tsan"
cmake --workflow --preset tsan
echo "=== memcheck"
ctest --preset memcheck
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/probe.cpp"
if clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1; then
  echo "=== fuzz"
  cmake --workflow --preset fuzz
else
  echo "=== fuzz: skipped (no clang with libFuzzer)"
fi
rm -rf "$probe"
# -----------------------------------------------------------------------------

echo "=== all tests passed"
