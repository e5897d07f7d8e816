#!/bin/sh
# Builds the default preset and runs the benchmarks from a scratch folder
# with tracing off (no TNUAL.INI there), each repeated; prints the mean,
# median and spread of every benchmark. Extra arguments go to the
# benchmark program, e.g. --benchmark_filter=Decode.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh test >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target hvcn_bench tarnres tarnresIT
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$(pwd)/build/default/bin/hvcn_bench
grep -m1 'model name' /proc/cpuinfo || true
cd "$work"
HVCN_PROFILE_DIR="$work" HVCN_LOG_DIR="$work" HVCN_REGISTRY= LC_ALL= LANG=C.UTF-8 "$bin" \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 "$@"
