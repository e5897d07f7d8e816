#!/bin/sh
# Builds the default preset and runs the benchmarks from a scratch folder
# with tracing off (no TNUAL.INI there):
#
#   library   the Google Benchmark programs, each benchmark repeated; prints
#             the mean, median and spread of every one
#   batch     a million typed names through the hvcn tool (parse --json and
#             the line form, --jobs 1, 2 and one per processor) and through
#             the plain C loop a program would write around the library
#             (fgets, parse, format, one buffered stdout); the best of three
#             runs of each, in names per second. Input and output are files
#             in memory (/dev/shm where there is one), so that the disk's
#             write-back of the 500 MB of JSON does not decide
#
#   scripts/bench.sh [library|batch] [ARGS...]
#
# Without a section both run. Extra arguments go to the benchmark program,
# e.g. --benchmark_filter=Decode.
set -eu
cd "$(dirname "$0")/.."
section=all
case "${1:-}" in
  library|batch) section=$1; shift ;;
esac
scripts/install-deps.sh test >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default --target hvcn_bench hvcn_cli hvcn_batch_baseline hvcn_make_names tarnres tarnresIT
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work=$(mktemp -d -p /dev/shm); else work=$(mktemp -d); fi
trap 'rm -rf "$work"' EXIT
bin=$(pwd)/build/default/bin
grep -m1 'model name' /proc/cpuinfo || true
cd "$work"
export HVCN_PROFILE_DIR="$work" HVCN_LOG_DIR="$work" HVCN_REGISTRY= LC_ALL= LANG=C.UTF-8

if [ "$section" != batch ]; then
  "$bin/hvcn_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 "$@"
fi

if [ "$section" != library ]; then
  count=1000000
  "$bin/hvcn_make_names" "$count" > names.txt
  cores=$(nproc)
  # The best wall time of three runs of a command (names.txt in, out.txt
  # out), in milliseconds.
  best() {
    fastest=
    for run in 1 2 3; do
      start=$(date +%s%N)
      "$@" < names.txt > out.txt
      ms=$(( ($(date +%s%N) - start) / 1000000 ))
      if [ -z "$fastest" ] || [ "$ms" -lt "$fastest" ]; then fastest=$ms; fi
    done
    echo "$fastest"
  }
  row() {
    label=$1
    shift
    ms=$(best "$@")
    printf '  %-44s %6d ms  %5d k names/s  (%d MB out)\n' "$label" "$ms" $(( count / (ms > 0 ? ms : 1) )) \
      $(( $(wc -c < out.txt) / 1000000 ))
  }
  echo
  echo "batch: $count typed names, $(( $(wc -c < names.txt) / 1000000 )) MB, $cores processors"
  row "C loop: fgets, parse, format, stdout" "$bin/hvcn_batch_baseline"
  jobs_list="1 2"
  [ "$cores" -gt 2 ] && jobs_list="$jobs_list $cores"
  for form in --json --lines; do
    for jobs in $jobs_list; do
      row "hvcn parse $form --jobs $jobs" "$bin/hvcn" parse "$form" --jobs "$jobs"
    done
  done
fi
