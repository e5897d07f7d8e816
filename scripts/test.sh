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
# --- Robustness: threads, memory, fuzzing -----------------------------------
# ThreadSanitizer over the whole suite; valgrind memcheck over the unit, API
# and replay tests of the default build; then each fuzz target for a short
# run (HVCN_FUZZ_SECONDS, 20 s) when clang's libFuzzer is there.
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
