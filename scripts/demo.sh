#!/bin/sh
# The main job on a fresh machine: builds the library and the hvcn tool and
# runs the tool on a sample.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default --target hvcn_cli tarnres tarnresIT
bin=build/default/bin/hvcn
echo
echo "\$ hvcn version"; $bin version
echo "\$ hvcn error 0 3 31"; $bin error 0 3 31 || true
