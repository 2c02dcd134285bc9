#!/bin/bash
# However often the setup runs, and however each run ends, the all-users package folder keeps one
# copy of the main package: the earlier run's file under the plain name is rewritten, the second
# write of a run reuses the first one's file, and a numbered copy (taken while another program
# held the plain file open) is removed by a later run once nobody holds it. Ten runs: silent
# installs, cancelled dialogs, the restart question answered No, an unsupported /language, and
# three of them while a reader holds the plain file.
#
#   installer_one_package_test.sh SETUP HARDENING_PROBE MAIN_MSI

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

setup=$1
probe=$2
main_msi=$3
dialog='Orvex Utilities 2011 Installation'
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
main_package="C:\\ProgramData\\$ORVEX_INSTALLER_PRODUCT_CODE\\$ORVEX_MAIN_PACKAGE_FILE"

bench_prefix --display
bench_on_exit "bench_reg delete '$session_key' /v PendingFileRenameOperations /f"
unix_folder="$BENCH_PREFIX/drive_c/ProgramData/$ORVEX_INSTALLER_PRODUCT_CODE"
mkdir -p "$BENCH_RUN/pending"
touch "$BENCH_RUN/pending/license.txt"

# expect_copies COUNT AFTER: the folder holds COUNT packages, the plain name among them.
expect_copies() {
  local listing
  listing=$(cd "$unix_folder" 2>/dev/null && ls -- *.msi 2>/dev/null)
  expect_eq "$1" "$(grep -c . <<<"$listing")" "after $2: $1 main package(s) in the folder: $(echo $listing)"
  expect_file "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE"
}

run_silent_install() {
  bench_run "$setup" /silent /language en-US
  expect_exit 0 "$1: installed"
}

run_cancelled_dialog() {
  bench_start "$setup"
  if bench_box_wait "$dialog" 60; then
    bench_control_key "$dialog" escape
    expect_eq 'Are you sure you want to cancel the installation of Orvex Utilities 2011?' \
      "$(bench_box_text "$dialog")" "$1: Escape asks whether to cancel"
    bench_box_press "$dialog" yes
  fi
  bench_wait
  expect_exit 1 "$1: cancelled"
}

# A pending delete of a file the main package installs, as Windows writes it; the setup asks for a
# restart, and No ends it. The value is removed again right after.
run_restart_declined() {
  local hex
  hex=$({ printf '%s' "\\??\\$(bench_winpath "$BENCH_RUN/pending/license.txt")" | iconv -f UTF-8 -t UTF-16LE
    printf '\0\0\0\0\0\0'; } | od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
  bench_reg_import "[${session_key/HKLM/HKEY_LOCAL_MACHINE}]
\"PendingFileRenameOperations\"=hex(7):$hex" /reg:64
  bench_start "$setup"
  bench_box_wait "Orvex Utilities" 60 && bench_box_press "Orvex Utilities" no
  bench_wait
  expect_exit 0 "$1: the restart question answered No"
  bench_reg delete "$session_key" /v PendingFileRenameOperations /f
}

run_unsupported_language() {
  bench_run "$setup" /silent /language xx-XX
  expect_exit 1 "$1: an unsupported language"
}

run_silent_install "run 1"
expect_copies 1 "a silent install"
bench_run msiexec /x "$ORVEX_INSTALLER_PRODUCT_CODE" /qn
run_cancelled_dialog "run 2"
expect_copies 1 "a cancelled dialog"
run_restart_declined "run 3"
expect_copies 1 "the restart question"
run_unsupported_language "run 4"
expect_copies 1 "an unsupported /language"

# A reader holds the plain file: the package goes to one numbered copy per run, and each run
# removes the one before it.
touch "$BENCH_RUN/holding"
wine "$probe" open "$main_package" "$(bench_winpath "$BENCH_RUN/holding")" </dev/null >/dev/null 2>&1 &
holder=$!
for _ in $(seq 1 100); do
  wine "$probe" write "$main_package" </dev/null >/dev/null 2>&1
  (($? == 32)) && break
  sleep 0.2
done
run_unsupported_language "run 5, the plain file held"
expect_copies 2 "a run while the plain file is held"
run_cancelled_dialog "run 6, the plain file held"
expect_copies 2 "a second run while the plain file is held"
run_restart_declined "run 7, the plain file held"
expect_copies 2 "a third run while the plain file is held"
rm -f "$BENCH_RUN/holding"
wait "$holder"

run_unsupported_language "run 8"
expect_copies 1 "a run after the holder let go"
run_cancelled_dialog "run 9"
expect_copies 1 "another cancelled dialog"
run_silent_install "run 10"
expect_copies 1 "another silent install"
if cmp -s "$main_msi" "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE"; then
  bench_pass "the one copy is the package, byte for byte"
else
  bench_fail "the one copy is the package, byte for byte"
fi
bench_run msiexec /x "$ORVEX_INSTALLER_PRODUCT_CODE" /qn

bench_done
