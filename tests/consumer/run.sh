#!/bin/sh
# Installs the build tree into a prefix of one's own, then builds and runs
# the consumer program against it as the README says: through pkg-config
# with PKG_CONFIG_PATH and -Wl,-rpath (and without the rpath, through
# LD_LIBRARY_PATH), and through the CMake package with CMAKE_PREFIX_PATH.
# Usage: run.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR
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
unset LD_LIBRARY_PATH PKG_CONFIG_PATH CMAKE_PREFIX_PATH
cd "$scratch"
check() {  # what a consumer printed
  [ "$2" = "$expected" ] || { echo "$1 printed: $2"; exit 1; }
}

# pkg-config finds hvcn.pc through PKG_CONFIG_PATH; -Wl,-rpath lets the
# program find the library where it is.
# (The pkg-config file is relocatable: its libdir is relative to its folder.)
libdir=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --variable=libdir hvcn)
[ "$(cd "$libdir" && pwd)" = "$prefix/lib" ] || { echo "libdir $libdir, not $prefix/lib"; exit 1; }
${CC:-cc} -std=c99 -Wall -Wextra -Werror -o consumer-pc "$source/consumer.c" \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs hvcn) -Wl,-rpath,"$prefix/lib"
check "the pkg-config consumer" "$(./consumer-pc)"
test -f "$libdir/tarnres.so" && test -f "$libdir/tarnresIT.so" && test -L "$libdir/libhvcn.so"

# Without the rpath the loader does not know the prefix; LD_LIBRARY_PATH tells it.
${CC:-cc} -std=c99 -o consumer-plain "$source/consumer.c" \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs hvcn)
if ./consumer-plain >/dev/null 2>&1; then echo "a consumer without rpath found the library"; exit 1; fi
check "the consumer with LD_LIBRARY_PATH" "$(LD_LIBRARY_PATH="$prefix/lib" ./consumer-plain)"

# find_package(hvcn) finds the CMake package through CMAKE_PREFIX_PATH.
cmake -S "$source" -B "$scratch/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/cmake-build" >/dev/null
check "the CMake consumer" "$("$scratch/cmake-build/consumer")"

out=$("$prefix/bin/hvcn" parse --lines 'Smith, John')
[ "$out" = "$(printf 'Smith, John\t1\tsurname, given name\ts=Smith g=John')" ] || { echo "installed tool printed: $out"; exit 1; }
test -f "$prefix/share/man/man1/hvcn.1"
echo "consumer built and run through pkg-config (PKG_CONFIG_PATH, -Wl,-rpath, LD_LIBRARY_PATH) and find_package (CMAKE_PREFIX_PATH)"
