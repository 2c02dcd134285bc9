#!/bin/bash
# The installed-product messages of the shipped setup, started without arguments over an edition
# that msiexec installed first. They appear before the language dialog, captioned
# "Orvex Utilities", in the default language: the user's Windows interface language among the
# carried packs, else the same language of another country, else English.
#
#   newer  the next minor version installed: the notice that a more recent version is installed, OK only;
#          OK ends the setup with 0.
#   older  the previous version installed: the question whether to remove it first, Yes and No;
#          No ends the setup with 0.
# Either way nothing is installed or removed.
#
# Usage: messages_installed_product_test.sh newer|older SETUP-ALL EDITION-MSI
#   SETUP-ALL    the shipped setup: the main package and every language pack
#   EDITION-MSI  the edition to install first (the next minor version for newer, the previous one for older)
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test.

if (($# != 3)) || [[ $1 != newer && $1 != older ]]; then
  echo "usage: $0 newer|older SETUP-ALL EDITION-MSI" >&2
  exit 2
fi
scenario=$1
setup_all=$2
edition=$3
BENCH_NAME=messages_installed_product_$scenario
source "$(dirname "$0")/bench.sh"

caption="Orvex Utilities"
product_key="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$ORVEX_INSTALLER_PRODUCT_CODE"

# The Uninstall entries and the product's folders: what any installation or removal changes.
installed_state() {
  wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | tr -d '\r' | sed '/^$/d' | sort
  (cd "$BENCH_PREFIX/drive_c" && find 'Program Files (x86)/Orvex' 'Program Files/Orvex' 2>/dev/null | sort)
}

# expect_message USER TEXT BUTTON-IDS ANSWER: the setup started for a user with that Windows
# language shows TEXT with the buttons of those ids (one per line), and ends with 0 once ANSWER
# is pressed.
expect_message() {
  local user=$1 text=$2 buttons=$3 answer=$4
  bench_set_language "$user"
  bench_start "$setup_all"
  if expect_box "$caption" "$text" "$user user: the message"; then
    expect_eq "$buttons" "$(bench_box_buttons "$caption" | cut -f1)" "$user user: the buttons"
    bench_box_press "$caption" "$answer"
  fi
  bench_wait
  expect_exit 0 "$user user: $answer ends the setup with 0"
}

bench_prefix --display
bench_run msiexec /i "$(bench_winpath "$edition")" /qn
expect_exit 0 "msiexec installs $(basename "$edition")"
state_before=$(installed_state)
expect_contains "$state_before" "$ORVEX_INSTALLER_PRODUCT_CODE" "the edition is installed"

case $scenario in
  newer)
    english="Orvex Utilities version $ORVEX_PRODUCT_VERSION cannot be installed because a more recent version of Orvex Utilities is already installed."
    german="Die Installation von Orvex Utilities Version $ORVEX_PRODUCT_VERSION kann nicht durchgeführt werden, da bereits eine neuere Version von Orvex Utilities installiert ist."
    expect_message en_US "$english" 1 ok
    expect_message de_DE "$german" 1 ok
    # No pack for Austria: German of another country. No Swedish pack: English, not the
    # first pack (Danish).
    expect_message de_AT "$german" 1 ok
    expect_message sv_SE "$english" 1 ok
    expected_version=$ORVEX_NEXT_MINOR_VERSION
    ;;
  older)
    english="Orvex Utilities version $ORVEX_PREVIOUS_PRODUCT_VERSION is already installed. You must remove the existing version before you install Orvex Utilities version $ORVEX_PRODUCT_VERSION."$'\r\n\r\nWould you like to uninstall the existing version of Orvex Utilities?'
    german="Orvex Utilities Version $ORVEX_PREVIOUS_PRODUCT_VERSION ist bereits installiert. Sie müssen die vorhandene Version entfernen, bevor Sie Orvex Utilities Version $ORVEX_PRODUCT_VERSION installieren."$'\r\n\r\nMöchten Sie die vorhandene Version von Orvex Utilities deinstallieren?'
    expect_message en_US "$english" $'6\n7' no
    expect_message de_DE "$german" $'6\n7' no
    expected_version=$ORVEX_PREVIOUS_PRODUCT_VERSION
    ;;
esac

bench_set_language
expect_eq "$expected_version" "$(bench_reg_query "$product_key" DisplayVersion)" "the installed edition stays"
expect_eq "$state_before" "$(installed_state)" "nothing was installed or removed"

bench_done
