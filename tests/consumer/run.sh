#!/bin/sh
# Installs the build tree into a scratch prefix, then builds and runs the
# consumer program against it twice: through pkg-config and through the
# CMake package.  Usage: run.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR
set -eu
build=$1
source=$2
scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
expected="Smith, John
No problem was found."
export LANG=C.UTF-8 LC_ALL= HVCN_PROFILE_DIR="$scratch" HVCN_LOG_DIR="$scratch" HVCN_REGISTRY=
cd "$scratch"

pc=$(find "$prefix" -name hvcn.pc)
libdir=$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --variable=libdir hvcn)
${CC:-cc} -std=c99 -Wall -Wextra -Werror -o consumer-pc "$source/consumer.c" \
  $(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags --libs hvcn) -Wl,-rpath,"$libdir"
out=$(./consumer-pc)
[ "$out" = "$expected" ] || { echo "pkg-config consumer printed: $out"; exit 1; }
test -f "$libdir/tarnres.so" && test -f "$libdir/tarnresIT.so" && test -L "$libdir/libhvcn.so"

cmake -S "$source" -B "$scratch/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/cmake-build" >/dev/null
out=$("$scratch/cmake-build/consumer")
[ "$out" = "$expected" ] || { echo "CMake consumer printed: $out"; exit 1; }

out=$("$prefix/bin/hvcn" parse --lines 'Smith, John')
[ "$out" = "$(printf 'Smith, John\t1\tsurname, given name\ts=Smith g=John')" ] || { echo "installed tool printed: $out"; exit 1; }
echo "consumer built and run through pkg-config and find_package"
