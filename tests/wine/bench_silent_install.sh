#!/bin/bash
# Benchmark (not a test): a silent installation by the setup, carrying one language pack, against
# installing the same two packages with msiexec directly (the pack with ALLUSERS=1, then the main
# package with the property string the setup passes it). Every round starts from its own fresh
# copy of the template prefix, with the prefix's server and services already up; the two kinds of
# round alternate. Prints each round, the medians and their ratio.
#
#   bench_silent_install.sh SETUP MAIN-PACKAGE LANGUAGE-PACK [ROUNDS]
#
# SETUP carries MAIN-PACKAGE and only LANGUAGE-PACK, under the default tag. Needs BENCH_TOOLS and
# BENCH_WORK like the Wine tests. Built and run by the win32 build's target "bench_silent_install".

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

if (($# < 3)); then
  echo "usage: $0 SETUP MAIN-PACKAGE LANGUAGE-PACK [ROUNDS]" >&2
  exit 2
fi
setup=$1
main_package=$2
language_pack=$3
rounds=${4:-7}
main_properties="LANGSTRING=silent USERDEFINST=2 $ORVEX_DEFAULT_AFFILIATE_PROPERTIES"
main_properties+=' TRANSFORMS=:silent FASTOEM=1'
main_code=$ORVEX_INSTALLER_PRODUCT_CODE
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

bench_template || exit 1
times=$(mktemp -d "$BENCH_WORK/bench_silent_install.XXXXXX") || exit 1
trap 'rm -rf "$times"' EXIT

# round KIND: one installation in a prefix of its own, in a subshell whose exit tears the prefix
# down. Appends the milliseconds to $times/KIND; a round that fails ends the benchmark.
round() (
  local kind=$1 start elapsed
  BENCH_NAME=bench_silent_install_$kind
  bench_prefix
  # Wine's services start with the prefix's first program: not part of either installation.
  _bench_wine reg query 'HKLM\Software' >/dev/null 2>&1
  start=$(bench_now_ms)
  if [[ $kind == setup ]]; then
    bench_run "$setup" /silent
    [[ $BENCH_EXIT == 0 ]] || { echo "the setup failed with ${BENCH_EXIT:-no exit code}" >&2; exit 1; }
  else
    bench_run msiexec /i "$(bench_winpath "$language_pack")" /qn ALLUSERS=1
    [[ $BENCH_EXIT == 0 ]] || { echo "msiexec failed on the pack with ${BENCH_EXIT:-no exit code}" >&2; exit 1; }
    # The property string word by word, as msiexec takes it.
    # shellcheck disable=SC2086
    bench_run msiexec /i "$(bench_winpath "$main_package")" /qn $main_properties
    [[ $BENCH_EXIT == 0 ]] || { echo "msiexec failed on the main package with ${BENCH_EXIT:-no exit code}" >&2; exit 1; }
  fi
  elapsed=$(($(bench_now_ms) - start))
  # Both kinds must leave the same products behind.
  _bench_wine reg query "$uninstall\\$main_code" >/dev/null 2>&1 ||
    { echo "$kind: the main package is not installed" >&2; exit 1; }
  echo "$elapsed" >>"$times/$kind"
  printf '%-8s %6d ms\n' "$kind" "$elapsed"
)

for ((i = 1; i <= rounds; i++)); do
  round setup || exit 1
  round msiexec || exit 1
done

setup_median=$(bench_median "$times/setup")
msiexec_median=$(bench_median "$times/msiexec")
printf 'median over %d rounds: setup /silent %s ms, msiexec %s ms, ratio setup/msiexec %s\n' "$rounds" \
  "$setup_median" "$msiexec_median" "$(awk -v a="$setup_median" -v b="$msiexec_median" 'BEGIN { printf "%.2f", a / b }')"
