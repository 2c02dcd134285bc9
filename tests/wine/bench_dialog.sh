#!/bin/bash
# Benchmark (not a test): how long a double-clicked setup takes from its start until its language
# dialog shows, with a product-sized main package (ORVEX_BENCH_PACKAGE_MB) against the same setup
# with the small stand-in package, under Wine, beside a plain copy of the large package's bytes and
# one read of them. Each round gives each setup a fresh prefix (its server and services up): the
# first run finds no package, the later runs the one an earlier run left, which they rewrite (under
# Wine in the per-user folder: see "Tests" in the README). Every run is cancelled in its dialog.
# The copy (CopyFileW beside the file) and the read (in the pieces the extraction compares in) are
# timed in the large setup's prefix, on the package its last run wrote, by the extraction
# benchmark's program. Prints each run and the medians: what the large package adds to a first and
# to a later run, against the copy plus the read (target: at most 1.2 times that). A run's time
# includes the launcher's start and the dialog search's polling (20 ms), alike for both setups.
#
#   bench_dialog.sh STANDIN_SETUP LARGE_SETUP EXTRACTION_BENCH [ROUNDS] [LATER_RUNS]
#
# The two setups carry the same language pack. Needs BENCH_TOOLS and BENCH_WORK like the Wine
# tests. Built and run by the win32 build's target "bench_dialog".

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

(($# >= 3)) || { echo "usage: $0 STANDIN_SETUP LARGE_SETUP EXTRACTION_BENCH [ROUNDS] [LATER_RUNS]" >&2; exit 2; }
standin=$1 large=$2 copier=$3 rounds=${4:-5} later_runs=${5:-2}
dialog='Orvex Utilities 2011 Installation'
package_file=$ORVEX_INSTALLER_PRODUCT_CODE/$ORVEX_MAIN_PACKAGE_FILE

bench_template || exit 1
times=$(mktemp -d "$BENCH_WORK/bench_dialog.XXXXXX") || exit 1
trap 'rm -rf "$times"' EXIT

# round KIND SETUP: the setup's first run and LATER_RUNS later ones in a prefix of its own, in a
# subshell whose exit tears the prefix down. Appends the milliseconds to $times/KIND.first and
# $times/KIND.later and, for the large setup, the copy's and the read's line to $times/copy.txt.
# A run that fails ends the benchmark.
round() (
  local kind=$1 setup=$2 run start elapsed package
  BENCH_NAME=bench_dialog_$kind
  bench_prefix --display
  # Wine's services start with the prefix's first program: not part of any run.
  _bench_wine reg query 'HKLM\Software' >/dev/null 2>&1
  for ((run = 0; run <= later_runs; run++)); do
    start=$(bench_now_ms)
    bench_start "$setup"
    bench_box_wait "$dialog" 120 || exit 1
    elapsed=$(($(bench_now_ms) - start))
    bench_control_key "$dialog" escape && bench_box_press "$dialog" yes || exit 1
    bench_wait
    [[ $BENCH_EXIT == 1 ]] || { echo "$kind: the cancelled run ended with ${BENCH_EXIT:-no exit code}" >&2; exit 1; }
    local which=later
    ((run == 0)) && which=first
    echo "$elapsed" >>"$times/$kind.$which"
    printf '%-8s %-5s %6d ms\n' "$kind" "$which" "$elapsed"
  done
  [[ $kind == large ]] || exit 0
  package=$BENCH_PREFIX/drive_c/users/$(id -un)/AppData/Roaming/$package_file
  [[ -f $package ]] || package=$BENCH_PREFIX/drive_c/ProgramData/$package_file
  bench_run "$copier" "$(bench_winpath "$times/copy.txt")" copy "$(bench_winpath "$package")"
  [[ $BENCH_EXIT == 0 ]] || { echo "the copy of $package failed with ${BENCH_EXIT:-no exit code}" >&2; exit 1; }
  printf '%-8s %s\n' copy "$(tail -n 1 "$times/copy.txt")"
)

for ((i = 1; i <= rounds; i++)); do
  round standin "$standin" || exit 1
  round large "$large" || exit 1
done

sed -n 's/.*copy_ms=\([0-9.]*\).*/\1/p' "$times/copy.txt" >"$times/copy"
sed -n 's/.*read_ms=\([0-9.]*\).*/\1/p' "$times/copy.txt" >"$times/read"
bytes=$(sed -n 's/.*bytes=\([0-9]*\).*/\1/p' "$times/copy.txt" | tail -n 1)
awk -v rounds="$rounds" -v bytes="$bytes" \
  -v sf="$(bench_median "$times/standin.first")" -v lf="$(bench_median "$times/large.first")" \
  -v sl="$(bench_median "$times/standin.later")" -v ll="$(bench_median "$times/large.later")" \
  -v copy="$(bench_median "$times/copy")" -v read="$(bench_median "$times/read")" 'BEGIN {
    base = copy + read
    printf "medians over %d rounds, large package %d bytes:\n", rounds, bytes
    printf "  first run: stand-in %d ms, large %d ms: the package adds %d ms\n", sf, lf, lf - sf
    printf "  later run: stand-in %d ms, large %d ms: the package adds %d ms\n", sl, ll, ll - sl
    printf "  plain copy %.1f ms + one read %.1f ms = %.1f ms; target: adds at most %.1f ms (1.2 times)\n",
      copy, read, base, 1.2 * base
    printf "  added / (copy + read): first run %.2f, later run %.2f\n", (lf - sf) / base, (ll - sl) / base
  }'
