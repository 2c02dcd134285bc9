#!/bin/bash
# Benchmark (not a test): how long the program takes to write its 20 MB main package from its
# resources, against a plain copy (CopyFileW) of the written file into the same folder, under
# Wine in a fresh prefix. Prints each round and the medians with their ratio.
#
#   bench_extraction.sh EXTRACTION_BENCH_EXE [ROUNDS]
#
# Needs BENCH_TOOLS and BENCH_WORK like the Wine tests. Built and run by the win32 build's
# target "bench_extraction".

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

program=$1
rounds=${2:-11}

bench_prefix
report=$BENCH_RUN/report.txt
bench_run "$program" "$(bench_winpath "$report")" "$rounds"
if [[ $BENCH_EXIT != 0 ]]; then
  echo "extraction_bench failed with exit code ${BENCH_EXIT:-none}" >&2
  exit 1
fi
cat "$report"
