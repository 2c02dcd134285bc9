#!/bin/bash
# However often the setup runs, and however each run ends, it keeps one copy of the main package:
# the earlier run's file under the plain name is rewritten and the second write of a run reuses the
# first one's file. Only while another program holds the plain file open does a run take a numbered
# copy, and the next run removes it. Ten runs: silent installs, cancelled dialogs, the restart
# question answered No, an unsupported /language, and one while a reader holds the plain file.
#
# The runs find an all-users package folder made beforehand by the user's own unelevated program.
# The setup refuses it (its owner is the user's account, not the owner an elevated token gives)
# and writes to the per-user folder. Wine keeps no owners (every file reads as the user's), so
# under Wine that is also what every run after the first would do. The user's roaming folder is
# relocated: a link to a folder elsewhere, as in a moved or redirected profile, so the package's
# folder is reached through a link and its files have other names than the paths the setup uses.
#
#   installer_one_package_test.sh SETUP HARDENING_PROBE MAIN_MSI

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

setup=$1
probe=$2
main_msi=$3
dialog='Orvex Utilities 2011 Installation'
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
main_package="C:\\users\\$(id -un)\\AppData\\Roaming\\$ORVEX_INSTALLER_PRODUCT_CODE\\$ORVEX_MAIN_PACKAGE_FILE"

bench_prefix --display
all_users_folder="$BENCH_PREFIX/drive_c/ProgramData/$ORVEX_INSTALLER_PRODUCT_CODE"
roaming="$BENCH_PREFIX/drive_c/users/$(id -un)/AppData/Roaming"
relocated="$BENCH_PREFIX/drive_c/Profiles/$(id -un)/Roaming"
if ! { mkdir -p "$(dirname "$relocated")" && mv "$roaming" "$relocated" && ln -s "$relocated" "$roaming"; }; then
  bench_fail "the roaming folder could not be relocated"
  bench_done
fi
unix_folder="$relocated/$ORVEX_INSTALLER_PRODUCT_CODE"
bench_on_exit "bench_reg delete '$session_key' /v PendingFileRenameOperations /f"
mkdir -p "$BENCH_RUN/pending" "$all_users_folder"
touch "$BENCH_RUN/pending/license.txt"

# expect_copies COUNT AFTER: the package folder holds COUNT packages, the plain name among them,
# and the refused all-users folder none.
expect_copies() {
  local listing
  listing=$(cd "$unix_folder" 2>/dev/null && ls -- *.msi 2>/dev/null)
  expect_eq "$1" "$(grep -c . <<<"$listing")" "after $2: $1 main package(s) in the folder: $(echo $listing)"
  expect_file "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE"
  expect_eq "" "$(ls -A "$all_users_folder")" "after $2: nothing in the refused all-users folder"
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

# A reader holds the plain file: the run writes one numbered copy beside it. Once the reader has
# let go, the plain file is rewritten again and the numbered copy removed.
touch "$BENCH_RUN/holding"
wine "$probe" open "$main_package" "$(bench_winpath "$BENCH_RUN/holding")" </dev/null >/dev/null 2>&1 &
holder=$!
for _ in $(seq 1 100); do
  wine "$probe" write "$main_package" </dev/null >/dev/null 2>&1
  (($? == 32)) && break
  sleep 0.2
done
held_before=$(stat -c %Y.%s "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE")
run_cancelled_dialog "run 5, the plain file held"
expect_copies 2 "a run while the plain file is held"
expect_eq "$held_before" "$(stat -c %Y.%s "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE")" "the held file is left as it was"
rm -f "$BENCH_RUN/holding"
wait "$holder"

before=$(stat -c %Y "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE")
sleep 1
run_unsupported_language "run 6"
expect_copies 1 "a run after the holder let go"
(($(stat -c %Y "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE") > before)) && bench_pass "run 6 rewrote the plain file" ||
  bench_fail "run 6 rewrote the plain file"
run_restart_declined "run 7"
expect_copies 1 "another restart question"
run_cancelled_dialog "run 8"
expect_copies 1 "another cancelled dialog"
run_unsupported_language "run 9"
expect_copies 1 "another unsupported /language"
run_silent_install "run 10"
expect_copies 1 "another silent install"
if cmp -s "$main_msi" "$unix_folder/$ORVEX_MAIN_PACKAGE_FILE"; then
  bench_pass "the plain file is the package, byte for byte"
else
  bench_fail "the plain file is the package, byte for byte"
fi
bench_run msiexec /x "$ORVEX_INSTALLER_PRODUCT_CODE" /qn

bench_done
