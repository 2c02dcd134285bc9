#!/bin/bash
# Benchmark (not a test): how long a run of the program takes to write its large main package from
# its resources, against a plain copy (CopyFileW) of the written file into the same folder, under
# Wine in a fresh prefix. One process per round: round 1 writes a new file; the later rounds find
# the file an earlier round left and rewrite it (under Wine from round 2 on in the per-user folder,
# since Wine keeps no owners and a later run refuses the all-users folder; round 2 therefore writes
# a new file there). Prints each round and, for new and for rewritten files, the medians and their
# ratio.
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
package_file=$ORVEX_INSTALLER_PRODUCT_CODE/$ORVEX_MAIN_PACKAGE_FILE
homes=("$BENCH_PREFIX/drive_c/ProgramData/$package_file"
       "$BENCH_PREFIX/drive_c/users/$(id -un)/AppData/Roaming/$package_file")
for round in $(seq 1 "$rounds"); do
  existed=()
  for home in "${homes[@]}"; do [[ -f $home ]] && existed+=("$home"); done
  rm -f "$report"
  bench_run "$program" "$(bench_winpath "$report")"
  if [[ $BENCH_EXIT != 0 ]]; then
    echo "extraction_bench failed with exit code ${BENCH_EXIT:-none}" >&2
    exit 1
  fi
  line=$(cat "$report")
  path=${line#*path=}
  path=${path#[Cc]:\\}
  kind=new
  [[ " ${existed[*]} " == *" $BENCH_PREFIX/drive_c/${path//\\//} "* ]] && kind=rewrite
  echo "round=$round kind=$kind $line" | tee -a "$BENCH_RUN/rounds.txt"
done
awk '
  { for (i = 1; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
    k = v["kind"]; n[k]++; e[k, n[k]] = v["extract_ms"]; c[k, n[k]] = v["copy_ms"]; bytes = v["bytes"] }
  function median(a, k, m,   i, j, t, s) {
    for (i = 1; i <= m; ++i) s[i] = a[k, i]
    for (i = 1; i <= m; ++i) for (j = i + 1; j <= m; ++j) if (s[j] + 0 < s[i] + 0) { t = s[i]; s[i] = s[j]; s[j] = t }
    return m % 2 ? s[(m + 1) / 2] : (s[m / 2] + s[m / 2 + 1]) / 2
  }
  END {
    for (k in n) {
      me = median(e, k, n[k]); mc = median(c, k, n[k])
      printf "%s files (%d rounds, %d bytes): extract_median_ms=%.2f copy_median_ms=%.2f ratio=%.2f\n", k, n[k], bytes, me, mc, me / mc
    }
  }' "$BENCH_RUN/rounds.txt"
