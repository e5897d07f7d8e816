#!/bin/sh
# The main job on a fresh machine: builds the library and the hvcn tool and
# runs the tool on a sample.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default --target hvcn_cli tarnres tarnresIT
bin=build/default/bin/hvcn
run() { echo "\$ hvcn $*"; "$bin" "$@"; echo; }
echo
run parse --internal 3 --output-format '%(NONCANON)%(EFA)%(X400)' 'Smith, John (ext-42) /o=Org/c=US'
run parse --all 'Smith, J.'
run version
