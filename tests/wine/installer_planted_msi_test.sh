#!/bin/bash
# A msi.dll planted beside the program is not what the program's Windows Installer adapter loads:
# it takes the system's copy. The same program loading "msi.dll" the default way does get the
# planted copy, which shows that the check below can fail. A system msi.dll that lacks the
# functions, or none at all, ends the program with a fatal error box.
#
#   installer_planted_msi_test.sh PLANTED_PROBE PLANTED_MSI_DLL

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

# Wine prefers its own msi.dll to any file of that name unless told otherwise; Windows takes the
# file it finds first along the search order. Native first makes Wine behave like Windows here.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;msi=n,b"

probe=$1
planted=$2

bench_prefix --display
report=$BENCH_RUN/report.txt
win_report=$(bench_winpath "$report")

# A downloads folder with the program and the planted library side by side.
downloads=$BENCH_RUN/Downloads
mkdir -p "$downloads"
cp "$probe" "$downloads/planted_probe.exe"
cp "$planted" "$downloads/msi.dll"
win_downloads=$(bench_winpath "$downloads")

probe_run() {
  rm -f "$report"
  bench_run "$downloads/planted_probe.exe" "$win_report" "$1"
  lines=$(cat "$report" 2>/dev/null)
}
value() { sed -n "s/^$1=//p" <<<"$lines" | head -n 1; }

probe_run plain
expect_exit 0
expect_eq 1 "$(value planted)" "the default search order picks the planted msi.dll"
expect_eq "${win_downloads,,}\\msi.dll" "$(value module | tr '[:upper:]' '[:lower:]')" \
  "loaded from the program's folder"

probe_run adapter
expect_exit 0 "the adapter binds all its ordinals (no fatal box)"
expect_eq 0 "$(value planted)" "the adapter does not load the planted msi.dll"
expect_match "$(value module | tr '[:upper:]' '[:lower:]')" '^c:\\windows\\(system32|syswow64)\\msi\.dll$' \
  "the adapter's msi.dll comes from the system folder"
expect_eq -1 "$(value state)" "and answers: an unknown product's state is -1"

# The system folder's msi.dll replaced by the stand-in (only in this test's prefix): the first
# ordinal bound is missing.
system_msi=$BENCH_PREFIX/drive_c/windows/syswow64/msi.dll
rm -f "$system_msi" && cp "$planted" "$system_msi"
bench_start "$downloads/planted_probe.exe" "$win_report" adapter
expect_match "$(bench_box_text Error)" '^msi\.dll ordinal 141: .' "a missing function is a fatal error"
bench_box_press Error ok
bench_wait
expect_exit 127 "exit code ERROR_PROC_NOT_FOUND"

# No msi.dll in the system folder, and Wine told not to stand in with its own.
rm -f "$system_msi"
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;msi=n" bench_start "$downloads/planted_probe.exe" "$win_report" adapter
expect_match "$(bench_box_text Error)" '^msi\.dll: .' "a missing library is a fatal error"
bench_box_press Error ok
bench_wait
expect_exit 126 "exit code ERROR_MOD_NOT_FOUND"

bench_done
