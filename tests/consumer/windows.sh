#!/bin/sh
# The Windows package as a user gets it: writes the ZIP with cpack, unpacks
# it, checks its files, builds the consumer program against bin/hvcn.lib
# (the import library in Microsoft's format, not libhvcn.dll.a) with the
# cross compiler, checks that it imports the plain export names, and where
# a runner is given (Wine) runs it and the packaged hvcn.exe.
#   Usage: windows.sh BUILD_DIR SOURCE_DIR SCRATCH_DIR
#   Environment: CC, OBJDUMP, PYTHON, EXPORT_TOOL, EXPORT_LIST, HEADER,
#                RUNNER (empty: the programs are built, not run)
set -eu
build=$1
source=$2
scratch=$3
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"

cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$scratch/package" >/dev/null
set -- package/hvcn-*-win*.zip
[ -f "$1" ] || { echo "cpack wrote no ZIP"; exit 1; }
cmake -E tar xf "$1"
root=$(basename "$1" .zip)
bin=$root/bin
for f in hvcn.dll tarnres.dll tarnresIT.dll hvcn.exe hvcn.h hvcn.lib hvcn.def; do
  [ -f "$bin/$f" ] || { echo "$1 lacks bin/$f"; exit 1; }
done
[ -f "$root/README-Windows.txt" ] || { echo "$1 lacks README-Windows.txt"; exit 1; }

# Beside the DLLs, as a program that ships them would be.
$CC -std=c99 -Wall -Wextra -Werror -I"$bin" -o "$bin/consumer.exe" "$source/consumer.c" "$bin/hvcn.lib"
"$PYTHON" "$EXPORT_TOOL" check --objdump "$OBJDUMP" --exports "$EXPORT_LIST" --header "$HEADER" \
  --dll "$bin/hvcn.dll" --standalone "$bin/tarnres.dll" --standalone "$bin/tarnresIT.dll" \
  --consumer "$bin/consumer.exe" >/dev/null

if [ -z "${RUNNER:-}" ]; then
  echo "$1: complete; consumer built against hvcn.lib imports the plain names (not run)"
  exit 0
fi
out=$("$RUNNER" "$bin/consumer.exe")
out=$(printf '%s' "$out" | tr -d '\r')
expected="Smith, John
No problem was found."
[ "$out" = "$expected" ] || { echo "consumer printed: $out"; exit 1; }
out=$("$RUNNER" "$bin/hvcn.exe" parse --lines 'Smith, John')
out=$(printf '%s' "$out" | tr -d '\r')
[ "$out" = "$(printf 'Smith, John\t1\tsurname, given name\ts=Smith g=John')" ] || {
  echo "packaged hvcn.exe printed: $out"
  exit 1
}
echo "$1: complete; consumer built against hvcn.lib and run, hvcn.exe run"
