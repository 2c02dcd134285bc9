#!/bin/bash
# CTest fixture of the Wine tests: makes the template prefix once, before tests
# that run in parallel would each wait for it.
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"
if bench_template; then
  bench_pass "template prefix ready in $BENCH_WORK/template"
else
  bench_fail "making the template prefix in $BENCH_WORK/template"
fi
bench_done
