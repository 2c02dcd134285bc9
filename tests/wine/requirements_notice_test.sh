#!/bin/bash
# The Windows version check of the shipped setup under Wine. On Windows 2000 and on Windows XP
# before Service Pack 2 the program starts, shows the requirements notice in the user's language,
# opens the pages its buttons stand for and ends with -1 without writing or installing anything;
# on XP SP2, Server 2003 without a service pack and Vista it goes on to the installation run.
#
#   requirements_notice_test.sh SETUP
#
# Needs BENCH_TOOLS and BENCH_WORK (see bench.sh) and ORVEX_LINK_BASE (the link base the program
# was built with).

setup=${1:?usage: requirements_notice_test.sh SETUP}
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

if [[ -z ${ORVEX_LINK_BASE:-} ]]; then
  echo "requirements_notice_test.sh: ORVEX_LINK_BASE must be set" >&2
  exit 2
fi

main_code=$ORVEX_INSTALLER_PRODUCT_CODE
main_product_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$main_code"
caption='System requirements are not met'
too_old=$'Your Windows version is not supported by this product.\r\n\r\nYou need at least Windows XP with Service Pack 2 or newer, or Windows Vista, to install this product.'
no_sp2=$'You must update your version of Windows XP before you can install this product.\r\n\r\nPlease install Service Pack 2 (or newer) for Windows XP and then restart the installation of Orvex Utilities 2011.\r\n\r\nWould you like to go to the Windows Update web site now?'
caption_de='Die Systemvoraussetzungen sind nicht erfüllt'
no_sp2_de=$'Sie müssen Ihre Version von Windows XP aktualisieren, bevor Sie dieses Produkt installieren können.\r\n\r\nInstallieren Sie bitte Service Pack 2 (oder höher) für Windows XP, und starten Sie anschließend die Installation von Orvex Utilities 2011 erneut.\r\n\r\nMöchten Sie jetzt die Windows Update-Website aufrufen?'
update_site='http://windowsupdate.microsoft.com/'
article='http://support.microsoft.com/kb/322389'

bench_prefix --display
bench_browser_recorder
package_folder=$BENCH_PREFIX/drive_c/ProgramData/$main_code
touch "$BENCH_URLS"

# Links: Wine's message box hands one help request (F1, see bench_box_help) to the owner window
# twice, so each request opens its page twice under Wine. The checks compare the distinct URLs of
# a run in the order they first arrived.
urls_seen=0
# run_urls MINIMUM: waits for at least MINIMUM URLs since the last call and one more second for
# late ones, then sets RUN_URLS to the distinct URLs in order of arrival, one per line.
run_urls() {
  bench_wait_lines "$BENCH_URLS" $((urls_seen + $1)) || true
  sleep 1
  RUN_URLS=$(tail -n +$((urls_seen + 1)) "$BENCH_URLS" | awk '!seen[$0]++')
  urls_seen=$(wc -l <"$BENCH_URLS")
}

# expect_button_ids CAPTION IDS MESSAGE: the control ids of the box's buttons, sorted.
expect_button_ids() {
  expect_eq "$2" "$(bench_box_buttons "$1" | cut -f1 | sort -n | tr '\n' ' ')" "$3"
}

# expect_refused NAME: the run ended with -1, wrote no package and installed nothing.
expect_refused() {
  expect_exit -1 "$1: the setup ends with -1"
  expect_no_file "$package_folder" "$1: nothing is written to the extraction folder"
  if bench_reg_query "$main_product_key" DisplayName >/dev/null; then
    bench_fail "$1: nothing is installed" "the main product is registered"
  else
    bench_pass "$1: nothing is installed"
  fi
}

# Windows 2000 SP4: the error notice; Help opens the requirements page for Windows 5.0 SP 4.0.
bench_winver win2k
bench_set_language en_US
bench_start "$setup"
expect_box "$caption" "$too_old" "Windows 2000: caption 104, text 105"
expect_button_ids "$caption" "1 9 " "Windows 2000: OK and Help"
bench_box_help "$caption"
bench_wait_lines "$BENCH_URLS" 1 || true
bench_box_press "$caption" ok
bench_wait
expect_refused "Windows 2000"
run_urls 1
expect_match "$RUN_URLS" \
  "^${ORVEX_LINK_BASE//./\\.}/link/\\?target=osrequirements&app=$ORVEX_PRODUCT_CODE_WORD&version=${ORVEX_PRODUCT_VERSION//./\\.}&[^[:space:]]*&os_ver=5\\.0&os_sp=4\\.0\$" \
  "Windows 2000: Help opens the requirements page (only), with os_ver 5.0 and os_sp 4.0"

# Windows XP SP1 for a German user: the question in German; Help opens the article, Yes the
# Windows Update site.
bench_winver xpsp1
bench_set_language de_DE
bench_start "$setup"
expect_box "$caption_de" "$no_sp2_de" "XP SP1, German user: caption 104 and text 106 in German"
expect_button_ids "$caption_de" "6 7 9 " "XP SP1: Yes, No and Help"
bench_box_help "$caption_de"
bench_wait_lines "$BENCH_URLS" $((urls_seen + 1)) || true
bench_box_press "$caption_de" yes
bench_wait
expect_refused "XP SP1, Yes"
run_urls 2
expect_eq "$article"$'\n'"$update_site" "$RUN_URLS" \
  "XP SP1: Help opens Knowledge Base article 322389, then Yes the Windows Update site"

# Windows XP SP1 for a Swedish user, whose language the string table lacks: English, not the
# first block of the table. No opens nothing.
bench_set_language sv_SE
bench_start "$setup"
expect_box "$caption" "$no_sp2" "XP SP1, Swedish user: text 106 in English"
bench_box_press "$caption" no
bench_wait
expect_refused "XP SP1, No"
run_urls 0
expect_eq "" "$RUN_URLS" "XP SP1: No opens nothing"

# Supported systems: the run goes past the check, writes the main package and refuses the
# unknown language with 1.
bench_set_language
for version in xpsp2 2003sp0 vista; do
  bench_winver "$version" || bench_fail "setting $version"
  rm -rf "$package_folder"
  bench_run "$setup" /silent /language xx-XX
  expect_exit 1 "$version: the run goes on to the language check"
  expect_file "$package_folder/$ORVEX_MAIN_PACKAGE_FILE" "$version: the main package is written"
done

bench_done
