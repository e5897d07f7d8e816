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
#   wire      the tool over the binary and AMHS forms (inputs made by
#             bench/wire_inputs.py with Debian's python3-pyasn1-modules):
#             hvcn orname --from der over 100,000 hex lines of DER
#             ORAddresses beside pyasn1 decoding the same encodings in one
#             Python run, and hvcn amhs over 100,000 AF-Addresses (and the
#             100,000 O/R addresses it gives, back to AFTN) with a table of
#             10,000 rows beside the plain C loop over the exports; one run
#             each, in addresses per second, with the load average
#
#   scripts/bench.sh [library|batch|wire] [ARGS...]
#
# Without a section library and batch run. Extra arguments go to the benchmark program,
# e.g. --benchmark_filter=Decode.
set -eu
cd "$(dirname "$0")/.."
section=all
case "${1:-}" in
  library|batch|wire) section=$1; shift ;;
esac
scripts/install-deps.sh test >/dev/null
cmake --preset default >/dev/null
if [ "$section" = wire ]; then
  cmake --build --preset default --target hvcn_cli hvcn_batch_baseline tarnres tarnresIT
else
  cmake --build --preset default --target hvcn_bench hvcn_cli hvcn_batch_baseline hvcn_make_names tarnres tarnresIT
fi
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work=$(mktemp -d -p /dev/shm); else work=$(mktemp -d); fi
trap 'rm -rf "$work"' EXIT
bin=$(pwd)/build/default/bin
inputs=$(pwd)/bench/wire_inputs.py
grep -m1 'model name' /proc/cpuinfo || true
cd "$work"
export HVCN_PROFILE_DIR="$work" HVCN_LOG_DIR="$work" HVCN_REGISTRY= LC_ALL= LANG=C.UTF-8

if [ "$section" = wire ]; then
  count=100000
  # The wall time of one run of a command (its input file, out.txt out),
  # in milliseconds.
  once() {
    input=$1
    shift
    start=$(date +%s%N)
    "$@" < "$input" > out.txt
    echo $(( ($(date +%s%N) - start) / 1000000 ))
  }
  row() {
    printf '  %-56s %6d ms  %7d addresses/s\n' "$1" "$2" $(( count * 1000 / ($2 > 0 ? $2 : 1) ))
  }
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"
  /usr/bin/python3 "$inputs" der "$count" der.hex
  echo "der: $count DER ORAddresses in hex, $(( $(wc -c < der.hex) / 1000 )) kB"
  python_ms=$(/usr/bin/python3 "$inputs" pyasn1 der.hex | awk '{ printf "%d", $1 * 1000 }')
  row "pyasn1: fromhex and decode (rfc5280.ORAddress)" "$python_ms"
  for jobs in 1 "$(nproc)"; do
    ms=$(once der.hex "$bin/hvcn" orname --from der --jobs "$jobs")
    row "hvcn orname --from der --jobs $jobs (to the / form)" "$ms"
    echo "    pyasn1 / hvcn: $(( python_ms * 10 / (ms > 0 ? ms : 1) / 10 )).$(( python_ms * 10 / (ms > 0 ? ms : 1) % 10 ))x"
  done
  /usr/bin/python3 "$inputs" amhs 10000 "$count" .
  echo "amhs: $count AF-Addresses, a table of $(wc -l < tables.tsv) rows"
  row "C loop: fgets, hvcnAFTNToORAddress, / form, stdout" "$(once aftn.txt "$bin/hvcn_batch_baseline" --amhs tables.tsv)"
  cp out.txt oraddresses.txt
  for jobs in 1 "$(nproc)"; do
    row "hvcn amhs --jobs $jobs (to AMHS)" "$(once aftn.txt "$bin/hvcn" amhs --table tables.tsv --jobs "$jobs")"
  done
  row "C loop: fgets, hvcnParseORAddress, hvcnORAddressToAFTN" \
    "$(once oraddresses.txt "$bin/hvcn_batch_baseline" --aftn tables.tsv)"
  for jobs in 1 "$(nproc)"; do
    row "hvcn amhs --jobs $jobs (to AFTN, checked back)" \
      "$(once oraddresses.txt "$bin/hvcn" amhs --table tables.tsv --jobs "$jobs")"
  done
  echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  exit 0
fi

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
