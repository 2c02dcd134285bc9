#!/usr/bin/env bash
# Not a test: times the stamping tool's batch (orvex-stamp --batch) against what it replaces, a
# plain copy of the file plus one SHA-256 of the copy (cp and sha256sum, one pair per copy), on the
# same disk, and prints the time per copy of each, the medians over the rounds and their ratio.
#
#   batch_bench.sh ORVEX-STAMP EXE [COPIES] [ROUNDS]
#
# EXE is a finished setup executable with its package facts beside it (the win32 or release
# build's OrvexUtilities2011Setup.exe); COPIES affiliates (default 100), ROUNDS rounds (default 3).
# The outputs go to a scratch folder beside EXE and are removed after each run; dirty pages are
# written out (sync) between runs, outside the time taken.
set -euo pipefail
tool=$1
exe=$2
copies=${3:-100}
rounds=${4:-3}
work=$(mktemp -d "$(dirname "$exe")/bench-batch.XXXXXX")
trap 'rm -rf "$work"' EXIT
name=$(basename "$exe")
for ((i = 1; i <= copies; i++)); do
  printf 'affiliate%03d\thttps://downloads.example/%03d/%s\tAFFILIATEID=qzv2011aid%05den-US&AFFILIATEIDFLAGS=.0\n' \
    "$i" "$i" "$name" "$i"
done >"$work/list"
now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

batch_times=()
plain_times=()
printf '%s: %s bytes, %d copies, %d rounds\n' "$name" "$(stat -c %s "$exe")" "$copies" "$rounds"
for ((round = 1; round <= rounds; round++)); do
  sync
  start=$(now_ms)
  "$tool" --batch "$work/list" --output-dir "$work/batch" "$exe"
  batch=$(($(now_ms) - start))
  rm -rf "$work/batch"
  sync
  mkdir "$work/plain"
  start=$(now_ms)
  for ((i = 1; i <= copies; i++)); do
    cp "$exe" "$work/plain/$i.exe"
    sha256sum "$work/plain/$i.exe" >/dev/null
  done
  plain=$(($(now_ms) - start))
  rm -rf "$work/plain"
  batch_times+=("$batch")
  plain_times+=("$plain")
  awk -v r="$round" -v b="$batch" -v p="$plain" -v n="$copies" \
    'BEGIN { printf "round %d: batch %.2f ms per copy, copy + SHA-256 %.2f ms per copy\n", r, b / n, p / n }'
done
batch=$(printf '%s\n' "${batch_times[@]}" | median)
plain=$(printf '%s\n' "${plain_times[@]}" | median)
awk -v b="$batch" -v p="$plain" -v n="$copies" \
  'BEGIN { printf "median: batch %.2f ms per copy, copy + SHA-256 %.2f ms per copy, ratio %.2f (target 1.2 or less)\n",
           b / n, p / n, b / p }'
