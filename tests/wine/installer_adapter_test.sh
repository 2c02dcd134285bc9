#!/bin/bash
# The Windows Installer adapter against Wine's msi.dll and real packages: installation at UI level
# none with a verbose log, product state and "VersionString", the File table of a package, removal
# with MsiConfigureProductW, and the UI level restored after every change.
#
#   installer_adapter_test.sh MSI_PROBE MAIN_MSI LANGPACK_DE_DE_MSI

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

probe=$1
main_msi=$2
pack_msi=$3

main_code=$ORVEX_INSTALLER_PRODUCT_CODE
pack_code=${ORVEX_LANGUAGE_PACK_PRODUCT_CODES[de-DE]}

bench_prefix
report=$BENCH_RUN/report.txt
win_report=$(bench_winpath "$report")

# Copies of the packages under a name with blanks, as the setup's folders may have.
mkdir -p "$BENCH_RUN/pack ages"
cp "$main_msi" "$BENCH_RUN/pack ages/main.msi"
cp "$pack_msi" "$BENCH_RUN/pack ages/de-DE.msi"
win_main=$(bench_winpath "$BENCH_RUN/pack ages/main.msi")
win_pack=$(bench_winpath "$BENCH_RUN/pack ages/de-DE.msi")
log="$BENCH_RUN/main install.log"

probe_run() {
  rm -f "$report"
  bench_run "$probe" "$win_report" "$@"
  lines=$(cat "$report" 2>/dev/null)
}
values() { sed -n "s/^$1=//p" <<<"$lines"; }
# "<level the change returned> <level the restore returned>", one line per change.
ui_changes() { sed -n 's/^ui-set=\(.*\) ui-restore=\(.*\)$/\1 \2/p' <<<"$lines"; }

installed_file() {
  find "$BENCH_PREFIX/drive_c" -path '*/Orvex/Utilities 2011/license.txt' 2>/dev/null | head -n 1
}

# Nothing installed yet.
probe_run ui state "$main_code" version "$main_code"
expect_exit 0
default_level=$(values ui)
expect_match "$default_level" '^-?[0-9]+$' "the UI level can be read"
expect_eq -1 "$(values state)" "an unknown product's state is -1"
expect_eq "1605 " "$(values version)" "an unknown product has no VersionString (1605)"

# Installation at UI level none, with a verbose log and properties.
probe_run log "$(bench_winpath "$log")" install "$win_main" " LANGSTRING=en-US USERDEFINST=2 TRANSFORMS=:en-US" ui
expect_exit 0
expect_eq 0 "$(values log)" "MsiEnableLogW accepts the log"
expect_eq 0 "$(values install)" "the main package installs"
expect_eq "$default_level 2" "$(ui_changes)" \
  "the change returned the old level and the restore returned level none"
expect_eq "$default_level" "$(values ui)" "the UI level is back where it was"
expect_ne "" "$(installed_file)" "the product's files are on disk"
if [[ -s $log ]]; then
  bench_pass "the verbose log was written"
  log_text=$(tr -d '\r' <"$log")
  expect_contains "$log_text" "Property(S): LANGSTRING = en-US" "the log shows the passed property"
  expect_contains "$log_text" "Property(S): USERDEFINST = 2"
else
  bench_fail "the verbose log was written" "no file: $log"
fi

probe_run state "$main_code" version "$main_code" files "$win_main"
expect_exit 0
expect_eq 5 "$(values state)" "the installed product's state is 5"
expect_eq "0 $ORVEX_PRODUCT_VERSION" "$(values version)" "VersionString of the installed product"
expect_eq 0 "$(values files)" "the File table opens read-only"
expect_eq $'0 QZInstallHelper.exe\n0 README~1.TXT|readme first.txt\n0 UtilitiesCom.dll\n0 UtilitiesSvc.exe\n0 license.txt' \
  "$(values file | LC_ALL=C sort)" "the File table's FileName column, read through a growing buffer"
expect_eq 4 "$(values regrown)" "the names of 16 characters or more needed a larger buffer, the short one did not"

# Removal at UI level none.
probe_run remove "$main_code" state "$main_code" version "$main_code" ui
expect_exit 0
expect_eq 0 "$(values remove)" "MsiConfigureProductW removes the product"
expect_eq "$default_level 2" "$(ui_changes)" \
  "the removal's level change is restored"
expect_eq -1 "$(values state)" "the removed product is unknown again"
expect_eq "1605 " "$(values version)" "and has no VersionString"
expect_eq "$default_level" "$(values ui)"
expect_eq "" "$(installed_file)" "the product's files are gone"

# A language pack in one process: install, query, remove.
probe_run install "$win_pack" "" state "$pack_code" version "$pack_code" remove "$pack_code" state "$pack_code"
expect_exit 0
expect_eq $'0\n0' "$(values install; values remove)" "the language pack installs and is removed"
expect_eq $'5\n-1' "$(values state)" "its state before and after the removal"
expect_eq "0 $ORVEX_PRODUCT_VERSION" "$(values version)" "its VersionString"
expect_eq "$default_level 2"$'\n'"$default_level 2" "$(ui_changes)" "every change was restored"

# A package that is not there: Wine's result code (Windows gives 1619), the level still restored.
probe_run install "$(bench_winpath "$BENCH_RUN/missing.msi")" "" files "$(bench_winpath "$BENCH_RUN/missing.msi")"
expect_exit 0
expect_ne 0 "$(values install)" "a missing package fails"
expect_ne 0 "$(values files)" "a missing package does not open"
expect_eq "$default_level 2" "$(ui_changes)" "the level is restored after a failure too"

bench_done
