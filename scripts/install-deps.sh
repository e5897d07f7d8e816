#!/bin/sh
# Installs the Debian packages a job needs, skipping those already present.
#   scripts/install-deps.sh build     compilers, CMake, Ninja, Python
#   scripts/install-deps.sh test      build + GoogleTest sources, python3-jsonschema
#                                     (the tool's JSON against its schemas), clang with
#                                     libFuzzer, Google Benchmark, valgrind,
#                                     pyasn1-modules, cryptography-vectors and
#                                     openssl (the binary O/R address checked
#                                     against pyasn1 and openssl's certificates)
#   scripts/install-deps.sh windows   build + GoogleTest sources, the mingw-w64
#                                     cross compilers, llvm (llvm-dlltool writes
#                                     hvcn.lib) and Wine (64-bit) to run the
#                                     Windows tests
#   scripts/install-deps.sh i686      build + GoogleTest sources, g++-multilib
#                                     (-m32 with the i386 C library and loader)
#                                     and qemu-user (qemu-i386 runs the tests)
#   scripts/install-deps.sh python    build + Debian's venv, pip, pytest,
#                                     python-nameparser, pyasn1-modules and
#                                     cryptography-vectors (the Python
#                                     package's tests and benchmark)
#   scripts/install-deps.sh wasm      build + emscripten (and node-acorn, which its
#                                     optimizer needs), chromium and
#                                     python3-websocket: the playground page and
#                                     its tests in a headless browser
set -eu

job=${1:-build}
packages="g++ cmake ninja-build python3"
case "$job" in
  build) ;;
  test) packages="$packages googletest python3-jsonschema clang libclang-rt-14-dev libbenchmark-dev valgrind python3-pyasn1-modules python3-cryptography-vectors openssl" ;;
  windows) packages="$packages googletest python3-jsonschema g++-mingw-w64-i686 g++-mingw-w64-x86-64 llvm wine wine64" ;;
  i686) packages="$packages googletest python3-jsonschema g++-multilib qemu-user" ;;
  python) packages="$packages python3-venv python3-pip python3-pytest python3-nameparser python3-pyasn1-modules python3-cryptography-vectors" ;;
  wasm) packages="$packages emscripten node-acorn chromium python3-websocket" ;;
  *) echo "usage: $0 build|test|windows|i686|python|wasm" >&2; exit 2 ;;
esac

missing=""
for p in $packages; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
fi
