#!/bin/bash
# "/unattended", as deployment tools start the setup: no window of any kind appears at any moment
# of the run (every top-level window that becomes visible on the display while the setup runs is
# recorded), every question takes its documented answer, the exit code says what happened, and
# the setup's own log says why.
#
#   unattended_test.sh SCENARIO SETUP [UNTAGGED-SETUP]
#
#   upgrade         over the previous 10.x edition: removed, the new version installed, exit 0, a
#                   log naming the older version and the Windows Installer logs beside it
#   another_copy    while another program holds the setup's mutex: 1618
#   newer           over the next minor version: nothing done, 1638
#   command_line    "/bogus" and "/language xx-XX": nothing done, 1639 (the message on a console)
#   windows2000     on Windows 2000: nothing done, 1150
#   pending_rename  a rename of a file in the product's folder pending: nothing done, 3017
#   untagged        a copy without its tag: the default properties, no box, exit 0
#   log_path        "/log C:\logs\setup.log": the log and the installer logs are written there
#
# Needs BENCH_TOOLS and BENCH_WORK (see bench.sh), ORVEX_PACKAGES (the built packages) and
# HARDENING_PROBE (hardening_probe.exe, which holds the mutex).

scenario=${1:?usage: unattended_test.sh SCENARIO SETUP [UNTAGGED-SETUP]}
setup=${2:?usage: unattended_test.sh SCENARIO SETUP [UNTAGGED-SETUP]}
untagged_setup=${3:-}
BENCH_NAME=unattended_$scenario
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

product_key="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$ORVEX_INSTALLER_PRODUCT_CODE"
session_key='HKLM\System\CurrentControlSet\Control\Session Manager'
read -r -a default_properties <<<"$ORVEX_DEFAULT_AFFILIATE_PROPERTIES"

install_edition() {
  bench_run msiexec /i "$(bench_winpath "$ORVEX_PACKAGES/$1.msi")" /qn
  expect_exit 0 "msiexec installs $1"
}

installed_version() { bench_reg_query "$product_key" DisplayVersion; }

# run_unattended PROGRAM ARGS...: runs the program from Explorer while every window that becomes
# visible is recorded into $BENCH_RUN/windows.
run_unattended() {
  local stop=$BENCH_RUN/stop-recording recorder
  rm -f "$stop"
  _bench_wine "$BENCH_TOOLS/boxes.exe" record "$(_bench_hex "$(bench_winpath "$stop")")" \
    "$(_bench_box_ms 900)" >"$BENCH_RUN/windows" 2>/dev/null &
  recorder=$!
  bench_wait_lines "$BENCH_RUN/windows" 1 60 || bench_fail "the window recorder started"
  bench_run "$@"
  touch "$stop"
  wait "$recorder"
}

# expect_no_window MESSAGE: nothing became visible during the last run_unattended.
expect_no_window() { expect_eq "" "$(sed 1d "$BENCH_RUN/windows")" "$1: no window appeared"; }

# The newest setup log in the prefix's temporary folders.
setup_log() {
  find "$BENCH_PREFIX/drive_c/users" -name 'OrvexUtilities2011Setup_*.log' ! -name '*_main.log' \
    ! -name '*_??-??.log' -printf '%T@ %p\n' 2>/dev/null | sort -n | tail -1 | cut -d' ' -f2-
}

# expect_log_line LOG TEXT MESSAGE
expect_log_line() {
  if [[ -s $1 ]]; then
    expect_contains "$(tr -d '\r' <"$1")" "$2" "$3"
  else
    bench_fail "$3" "no setup log ($1)"
  fi
}

bench_prefix --display

case $scenario in
  upgrade)
    install_edition edition_previous
    run_unattended "$setup" /unattended /language en-US
    expect_exit 0 "the upgrade ends with 0"
    expect_no_window "the upgrade"
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(installed_version)" "the new version replaced the older one"
    log=$(setup_log)
    expect_log_line "$log" "Detection: installed product $ORVEX_INSTALLER_PRODUCT_CODE, version $ORVEX_PREVIOUS_PRODUCT_VERSION" \
      "the log names the older version"
    expect_log_line "$log" "remove the older version $ORVEX_INSTALLER_PRODUCT_CODE? not asked; default yes" \
      "the log gives the removal's answer as the default"
    expect_log_line "$log" "Outcome: installed; exit code 0" "the log's last word"
    expect_file "${log%.log}_main.log" "the main package's installer log is beside it"
    expect_file "${log%.log}_en-US.log" "the pack's installer log is beside it"
    ;;
  another_copy)
    wine "$HARDENING_PROBE" hold "$(_bench_scaled 60)" "$(bench_winpath "$BENCH_RUN/holding")" </dev/null >/dev/null 2>&1 &
    holder=$!
    bench_wait_lines "$BENCH_RUN/holding" 1 60 || bench_fail "the other program holds the mutex"
    run_unattended "$setup" /unattended
    expect_exit 1618 "another copy running: 1618"
    expect_no_window "another copy"
    expect_log_line "$(setup_log)" "Outcome: another setup running; exit code 1618" "the log says why"
    kill "$holder" 2>/dev/null
    ;;
  newer)
    install_edition edition_next_minor
    run_unattended "$setup" /unattended
    expect_exit 1638 "a newer version installed: 1638"
    expect_no_window "the newer version"
    expect_eq "$ORVEX_NEXT_MINOR_VERSION" "$(installed_version)" "the newer version stays"
    ;;
  command_line)
    run_unattended "$setup" /unattended /bogus
    expect_exit 1639 "an unknown option: 1639"
    expect_no_window "an unknown option"
    run_unattended "$setup" /unattended /language xx-XX
    expect_exit 1639 "a language not carried: 1639"
    expect_no_window "a language not carried"
    bench_console "$setup" /unattended /bogus
    expect_exit 1639 "at a prompt: 1639"
    expect_contains "$BENCH_OUTPUT" 'Parameter "/bogus" is not supported!' "at a prompt: the message"
    expect_eq "" "$(installed_version)" "nothing was installed"
    ;;
  windows2000)
    bench_winver win2k || bench_fail "setting Windows 2000"
    run_unattended "$setup" /unattended
    expect_exit 1150 "Windows 2000: 1150"
    expect_no_window "Windows 2000"
    expect_eq "" "$(installed_version)" "nothing was installed"
    ;;
  pending_rename)
    folder="$BENCH_PREFIX/drive_c/Program Files (x86)/Orvex/Utilities 2011"
    mkdir -p "$folder"
    touch "$folder/license.txt"
    bench_on_exit "bench_reg delete '$session_key' /v PendingFileRenameOperations /f"
    hex=$({ printf '%s' "\\??\\$(bench_winpath "$folder/license.txt")" | iconv -f UTF-8 -t UTF-16LE
      printf '\0\0\0\0\0\0'; } | od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
    bench_reg_import "[${session_key/HKLM/HKEY_LOCAL_MACHINE}]
\"PendingFileRenameOperations\"=hex(7):$hex" /reg:64
    run_unattended "$setup" /unattended
    expect_exit 3017 "a pending rename of a product file: 3017"
    expect_no_window "the pending rename"
    expect_eq "" "$(installed_version)" "nothing was installed"
    ;;
  untagged)
    run_unattended "$untagged_setup" /unattended /language en-US
    expect_exit 0 "a copy without its tag installs"
    expect_no_window "the copy without its tag"
    log=$(setup_log)
    expect_log_line "$log" "Tag: none usable (extract_aidconfig2); the default properties are used" \
      "the tag's warning went to the log"
    for pair in "${default_properties[@]}"; do
      expect_contains "$(tr -d '\r' <"${log%.log}_main.log" 2>/dev/null)" \
        "Property(S): ${pair%%=*} = ${pair#*=}" "the default ${pair%%=*}"
    done
    ;;
  log_path)
    run_unattended "$setup" /unattended /language en-US /log 'C:\logs\setup.log'
    expect_exit 0 "installed"
    expect_log_line "$BENCH_PREFIX/drive_c/logs/setup.log" "Outcome: installed; exit code 0" "the log is where /log says"
    expect_file "$BENCH_PREFIX/drive_c/logs/setup_main.log" "the main package's installer log is beside it"
    expect_eq "" "$(setup_log)" "no log in the temporary folder"
    ;;
  *)
    echo "unattended_test.sh: unknown scenario $scenario" >&2
    exit 2
    ;;
esac

bench_done
