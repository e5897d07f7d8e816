#!/bin/sh
# The test suite, in two tiers:
#
#   scripts/test.sh           the whole suite (CI runs it), each preset
#                             configured, built and tested:
#       default        g++, RelWithDebInfo
#       asan           clang with AddressSanitizer and UBSan
#       linux-i686     g++ -m32; the test programs run under qemu-i386
#       mingw-i686     the 32-bit Windows DLL; its export table and the package
#                      are checked
#       mingw-x86_64   the 64-bit Windows DLL; the test programs run under Wine
#     then the two Windows ZIPs are written by their package workflows, the
#     Python package is installed from the default build and tested (and its
#     wheel installed where nothing else is), the playground page built with
#     emscripten and tested in headless Chromium (preset wasm), and the
#     robustness runs:
#     ThreadSanitizer, valgrind, every fuzz target for a short run.
#   scripts/test.sh --quick   everyday work: the default and asan presets
#                             alone, built and tested (a few minutes).
set -eu
cd "$(dirname "$0")/.."
case "${1:-}" in
  --quick) presets="default asan" quick=yes ;;
  "") presets="default asan linux-i686 mingw-i686 mingw-x86_64" quick=no ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
scripts/install-deps.sh test
if [ "$quick" = no ]; then
  scripts/install-deps.sh windows
  scripts/install-deps.sh i686
fi
for preset in $presets; do
  echo "=== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
if [ "$quick" = yes ]; then
  echo "=== the quick tier passed (the whole suite: scripts/test.sh)"
  exit 0
fi
for preset in mingw-i686-package mingw-x86_64-package; do
  echo "=== $preset"
  cmake --workflow --preset "$preset"
done
# --- Python package ----------------------------------------------------------
# `pip install ./python` into a fresh virtual environment of Debian's Python
# (its pytest and nameparser visible), packaging the default build's library
# and tool (HVCN_BUILD_DIR) rather than building them again; its tests with
# no variable set. Then the wheel, written once and installed into an
# environment that has nothing else, where `import hvcn` and `python -m hvcn`
# must work with an empty environment.
echo "=== python"
scripts/install-deps.sh python
scratch=$(mktemp -d)
/usr/bin/python3 -m venv --system-site-packages "$scratch/venv"
HVCN_BUILD_DIR="$PWD/build/default" "$scratch/venv/bin/python" -m pip install --quiet ./python
env -u HVCN_LIBRARY "$scratch/venv/bin/python" -m pytest -q python/tests
HVCN_BUILD_DIR="$PWD/build/default" "$scratch/venv/bin/python" -m pip wheel --quiet --no-deps -w "$scratch/dist" ./python
/usr/bin/python3 -m venv "$scratch/bare"
"$scratch/bare/bin/python" -m pip install --quiet --no-index "$scratch"/dist/hvcn-*-py3-none-*.whl
(cd / && env -i "$scratch/bare/bin/python" -c 'import hvcn; print(hvcn.parse("Smith, John"))' &&
  env -i "$scratch/bare/bin/python" -m hvcn parse --json 'Smith, John')
rm -rf "$scratch"
# --- The playground ------------------------------------------------------------
# The library compiled to WebAssembly with emscripten, the page built, and its
# tests in headless Chromium against the default build's tool (about three
# minutes on two cores). Without emcc or chromium the suite fails: the
# configure step needs emcc, the browser test chromium.
echo "=== wasm"
scripts/install-deps.sh wasm
cmake --workflow --preset wasm
# -----------------------------------------------------------------------------
# --- Robustness: threads, memory, fuzzing -----------------------------------
# ThreadSanitizer over the whole suite but the single-threaded inputs over
# 2 and 4 GiB (label huge, six minutes under it); valgrind memcheck over the unit, API
# and replay tests of the default build; then each fuzz target for a short
# run (HVCN_FUZZ_SECONDS, 10 s). Without clang's libFuzzer the suite fails:
# a fuzz run skipped is no pass.
echo "=== tsan"
cmake --workflow --preset tsan
echo "=== memcheck"
ctest --preset memcheck
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/probe.cpp" -o "$probe/probe" >/dev/null 2>&1; then
  rm -rf "$probe"
  echo "=== fuzz: clang++ -fsanitize=fuzzer does not link: libFuzzer is missing (Debian: clang libclang-rt-14-dev)" >&2
  exit 1
fi
rm -rf "$probe"
echo "=== fuzz"
cmake --workflow --preset fuzz
# -----------------------------------------------------------------------------

echo "=== all tests passed"
