#!/bin/sh
# The main job on a fresh machine: builds what an installation takes (the
# library, its resource libraries, the hvcn tool, its manual page and bash
# completion) and runs the tool on a sample. Each command is printed as it
# can be pasted into a shell, with build/default/bin on PATH.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default --target hvcn_installables
bin=build/default/bin/hvcn
# One shell word: as it stands when it is safe, else in single quotes.
quote() {
  case $1 in
    '') printf "''" ;;
    *[!A-Za-z0-9@%+=:,./_-]*) printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")" ;;
    *) printf '%s' "$1" ;;
  esac
}
run() {
  printf '$ hvcn'
  for word in "$@"; do
    printf ' '
    quote "$word"
  done
  printf '\n'
  "$bin" "$@"
  echo
}
echo
echo "# The tool is $bin; to run these yourself: export PATH=\"$(pwd)/build/default/bin:\$PATH\""
echo
run parse --internal 3 --output-format '%(NONCANON)%(EFA)%(X400)' 'Smith, John (ext-42) /o=Org/c=US'
run parse --all 'Smith, J.'
run parse "O'Brien, Pat /o=Example/c=IE"
run --version
echo "# Next: man -l build/default/tools/hvcn.1, and cmake --install build/default --prefix PREFIX (see the README)"
