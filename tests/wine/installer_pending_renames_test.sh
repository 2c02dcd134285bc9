#!/bin/bash
# The pending-rename check of the shipped setup against Wine's registry and msi.dll. A pending
# delete of a file that the main package installs (license.txt) in the folder it installs to
# makes the setup ask for a restart in the user's language; No ends it with 0 and nothing is
# installed. Another program's pending delete of its own license.txt lets the silent installation
# go through.
#
# Wine carries out pending renames whenever a wineserver starts: the value is set only while the
# test's persistent server runs, names only files in the run folder or in the product's folder of
# the throw-away prefix (not yet installed), and is removed at teardown, before the server ends.
#
#   installer_pending_renames_test.sh SETUP-ALL

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

setup=$1
caption="Orvex Utilities"
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
product_key="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$ORVEX_INSTALLER_PRODUCT_CODE"

# set_pending WINDOWS-PATH: "PendingFileRenameOperations" as Windows writes a pending delete: the
# path in its native form, an empty target and the closing terminator, in UTF-16.
set_pending() {
  local hex
  hex=$({ printf '%s' "\\??\\$1" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0\0\0\0\0'; } |
    od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
  bench_reg_import "[${session_key/HKLM/HKEY_LOCAL_MACHINE}]
\"PendingFileRenameOperations\"=hex(7):$hex" /reg:64
  bench_reg_query "$session_key" PendingFileRenameOperations >/dev/null
  expect_eq REG_MULTI_SZ "$BENCH_REG_TYPE" "the pending delete of $1 is set"
}

# expect_restart_question USER TEXT: the setup started for a user with that Windows language asks
# TEXT with Yes and No; No ends it with 0.
expect_restart_question() {
  bench_set_language "$1"
  bench_start "$setup"
  if expect_box "$caption" "$2" "$1 user: the restart question"; then
    expect_eq $'6\n7' "$(bench_box_buttons "$caption" | cut -f1)" "$1 user: Yes and No"
    bench_box_press "$caption" no
  fi
  bench_wait
  expect_exit 0 "$1 user: No ends the setup with 0"
  bench_set_language
}

bench_prefix --display
bench_on_exit "bench_reg delete '$session_key' /v PendingFileRenameOperations /f"
mkdir -p "$BENCH_RUN/vendor"
touch "$BENCH_RUN/vendor/license.txt"

set_pending 'C:\Program Files (x86)\Orvex\Utilities 2011\license.txt'
expect_restart_question en_US $'You cannot install Orvex Utilities because the installation of another Orvex product is not completed yet. You need to restart your computer to complete the installation.\r\n\r\nWould you like to restart your computer now?'
expect_restart_question de_DE $'Die Installation von Orvex Utilities kann nicht durchgeführt werden, da der Installationsvorgang eines anderen Orvex-Produkts noch nicht abgeschlossen ist. Dazu ist ein Neustart des Computers erforderlich.\r\n\r\nMöchten Sie Ihren Computer jetzt neu starten?'
expect_eq "" "$(bench_reg_query "$product_key" DisplayVersion)" "nothing was installed"
expect_no_file "$BENCH_PREFIX/drive_c/Program Files (x86)/Orvex" "no product files"

set_pending "$(bench_winpath "$BENCH_RUN/vendor/license.txt")"
bench_run "$setup" /silent /language en-US
expect_exit 0 "with another program's license.txt pending the setup installs"
expect_eq "$ORVEX_PRODUCT_VERSION" "$(bench_reg_query "$product_key" DisplayVersion)" "the product is installed"
expect_file "$BENCH_PREFIX/drive_c/Program Files (x86)/Orvex/Utilities 2011/license.txt" "its files are installed"

bench_done
