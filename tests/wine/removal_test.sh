#!/bin/bash
# The removal of an installed version under Wine: the shipped setup against editions that msiexec
# installed first, each carrying the stand-ins for the product's install tool, service and COM
# server (packages/fixtures/README.md), which log what the setup does to them.
#
#   older          the previous version: No to the removal question changes nothing; Yes closes the
#                  product's programs, marks the removal as automatic, stops the service, calls the
#                  component, removes the edition and its language packs, and installs this version.
#   same           this version: the install tool's exit code decides: 2 keeps everything without
#                  a question, 0 asks (No keeps everything), 1 removes it without a question and
#                  installs nothing.
#   upgrade9       9.0.100.5 with /silent: removed inside the run, the new version told QZUPGRADE=9.
#   removal_fails  an edition whose removal fails: exit code 1, its service runs again.
#   tool_259       10.0.3000.101 whose install tool ends with 259 (the value of "still active"):
#                  each start is waited for to its end, 259 is no verdict, the user is asked.
#   tool_missing   install folders without the tool, or missing: a /silent 9.x upgrade and the
#                  same version's removal go on without it, behind no box of the shell's own.
#
# Usage: removal_test.sh SCENARIO SETUP. Needs BENCH_TOOLS and BENCH_WORK (see bench.sh) and
# ORVEX_PACKAGES (the folder of the built packages).

scenario=${1:?usage: removal_test.sh SCENARIO SETUP}
setup=${2:?usage: removal_test.sh SCENARIO SETUP}
BENCH_NAME=removal_$scenario
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

if [[ -z ${ORVEX_PACKAGES:-} ]]; then
  echo "removal_test.sh: ORVEX_PACKAGES must be set" >&2
  exit 2
fi

caption='Orvex Utilities'
main_code=$ORVEX_INSTALLER_PRODUCT_CODE
edition9_code=$ORVEX_EARLIER_EDITION_PRODUCT_CODE
fr_pack_code='{C5FADA70-CD78-48A5-9ABE-A123F19C2104}'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
settings='HKLM\Software\Orvex\TestFixtures'
service=Orvex.UtilitiesSvc

# install PACKAGE-NAME: msiexec installs ORVEX_PACKAGES/PACKAGE-NAME.msi without a user interface.
install() {
  bench_run msiexec /i "$(bench_winpath "$ORVEX_PACKAGES/$1.msi")" /qn
  expect_exit 0 "msiexec installs $1"
}

# version_of CODE: the installed version of a product, or "absent".
version_of() { bench_reg_query "$uninstall\\$1" DisplayVersion || printf absent; }

# The service's state as "sc query" shows it (4 running, 1 stopped), or "none".
service_state() {
  local state
  state=$(_bench_wine sc query "$service" 2>/dev/null | tr -d '\r' | awk '$1 == "STATE" { print $3 }')
  printf '%s' "${state:-none}"
}

# events FOLDER LOG: the fixture log's events, without their time stamps.
events() { cut -f2- "$1/$2" 2>/dev/null; }

# event_ms FOLDER LOG EVENT: milliseconds since the epoch of the first line with EVENT.
event_ms() {
  local stamp
  stamp=$(awk -F '\t' -v event="$3" '$2 == event { print $1; exit }' "$1/$2" 2>/dev/null)
  [[ -n $stamp ]] && date -u -d "$stamp" +%s%3N
}

# The Uninstall entries and the product folders' files other than the fixtures' logs: what an
# installation or removal changes.
installed_state() {
  _bench_wine reg query "$uninstall" 2>/dev/null | tr -d '\r' | sed '/^$/d' | sort
  (cd "$BENCH_PREFIX/drive_c" && find 'Program Files (x86)/Orvex' 2>/dev/null | grep -v '\.log$' | sort)
}

# no_question SECONDS MESSAGE: no box captioned "Orvex Utilities" appears meanwhile; one that
# does is answered No, so that the run ends.
no_question() {
  bench_no_box "$caption" "$1"
  if bench_boxes | awk -F '\t' -v caption="$caption" '$3 == caption { found = 1 } END { exit !found }'; then
    bench_box_press "$caption" no
  fi
}

# expect_no_marker MESSAGE: no automatic-removal marker was written.
expect_no_marker() {
  if bench_reg_query 'HKCU\Software\Orvex\Setup' AutoUninst >/dev/null; then
    bench_fail "$1" "AutoUninst is set"
  else
    bench_pass "$1"
  fi
}

# set_tool_exit CODE: the exit code of the install tool's next starts.
set_tool_exit() { bench_reg add "$settings" /v InstallHelperExitCode /t REG_DWORD /d "$1" /f; }

bench_prefix --display
bench_browser_recorder
orvex="$BENCH_PREFIX/drive_c/Program Files (x86)/Orvex"
question_remove_first="Orvex Utilities version $ORVEX_PREVIOUS_PRODUCT_VERSION is already installed. You must remove the existing version before you install Orvex Utilities version $ORVEX_PRODUCT_VERSION."$'\r\n\r\nWould you like to uninstall the existing version of Orvex Utilities?'
question_uninstall=$'Orvex Utilities is already installed.\r\n\r\nWould you like to uninstall Orvex Utilities now?'

case $scenario in
  older)
    old="$orvex/Utilities $ORVEX_PREVIOUS_PRODUCT_VERSION"
    install edition_previous
    install langpack_fr_FR
    before=$(installed_state)

    bench_start "$setup"
    expect_box "$caption" "$question_remove_first" "the removal question"
    bench_box_press "$caption" no
    bench_wait
    expect_exit 0 "No ends the setup with 0"
    expect_eq "$before" "$(installed_state)" "No: nothing is installed or removed"
    expect_no_file "$old/QZInstallHelper.log" "No: the install tool is not started"
    expect_eq start "$(events "$old" UtilitiesSvc.log)" "No: the service is not stopped"
    expect_no_file "$old/UtilitiesCom.log" "No: the component is not called"
    expect_no_marker "No: no automatic-removal marker"

    bench_start "$setup"
    expect_box "$caption" "$question_remove_first" "the removal question, again"
    bench_box_press "$caption" yes
    # The installation after the removal asks for the language: Next, on the English default.
    if bench_box_wait "Orvex Utilities 2011 Installation" 60; then
      bench_box_press "Orvex Utilities 2011 Installation" ok
    fi
    bench_wait
    expect_exit 0 "Yes: the setup ends with 0"
    expect_eq --close-qzvapps "$(events "$old" QZInstallHelper.log)" \
      "the install tool ran once, with --close-qzvapps only"
    bench_reg_query 'HKCU\Software\Orvex\Setup' AutoUninst >"$BENCH_RUN/marker.txt"
    expect_eq "REG_SZ 1" "$BENCH_REG_TYPE $(<"$BENCH_RUN/marker.txt")" "AutoUninst is the text 1"
    expect_eq $'start\nstop requested\nstopped' "$(events "$old" UtilitiesSvc.log)" "the service was stopped once"
    expect_eq "method 36	$(bench_winpath "$setup")" "$(events "$old" UtilitiesCom.log)" \
      "the setup called the component's method 36"
    stopped=$(event_ms "$old" UtilitiesSvc.log stopped)
    called=$(event_ms "$old" UtilitiesCom.log "method 36")
    if [[ -n $stopped && -n $called ]] && ((stopped <= called)); then
      bench_pass "the service had stopped before the component was called, while the edition was installed"
    else
      bench_fail "the service had stopped before the component was called" "stopped: $stopped" "called: $called"
    fi
    expect_no_file "$old/edition.txt" "the edition's file is gone"
    expect_eq absent "$(version_of "$fr_pack_code")" "the edition's fr-FR language pack is removed"
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(version_of "$main_code")" "$ORVEX_PRODUCT_VERSION is installed"
    ;;

  same)
    new="$orvex/Utilities 2011"
    install main
    before=$(installed_state)

    # 2: the tool abandons the removal.
    set_tool_exit 2
    bench_start "$setup"
    no_question 3
    bench_wait
    expect_exit 0 "exit 2: the setup ends with 0"
    expect_eq $'--close-qzvapps\n--uninstall-nocturo' "$(events "$new" QZInstallHelper.log)" \
      "exit 2: the tool closed the programs, then was asked for its verdict"
    expect_eq start "$(events "$new" UtilitiesSvc.log)" "exit 2: the service is not stopped"
    expect_no_file "$new/UtilitiesCom.log" "exit 2: the component is not called"
    expect_eq "$before" "$(installed_state)" "exit 2: nothing is removed or installed"

    # 0: no verdict, the user is asked; No.
    set_tool_exit 0
    bench_start "$setup"
    expect_box "$caption" "$question_uninstall" "exit 0: the user is asked"
    bench_box_press "$caption" no
    bench_wait
    expect_exit 0 "exit 0, No: the setup ends with 0"
    expect_eq 4 "$(events "$new" QZInstallHelper.log | wc -l)" "exit 0: the tool ran twice more"
    expect_eq start "$(events "$new" UtilitiesSvc.log)" "exit 0, No: the service is not stopped"
    expect_eq "$before" "$(installed_state)" "exit 0, No: nothing is removed or installed"

    # 1: removed without a question, nothing installed.
    set_tool_exit 1
    bench_start "$setup"
    no_question 3
    bench_wait
    expect_exit 0 "exit 1: the setup ends with 0"
    expect_eq $'start\nstop requested\nstopped' "$(events "$new" UtilitiesSvc.log)" "exit 1: the service was stopped"
    expect_eq "method 36	$(bench_winpath "$setup")" "$(events "$new" UtilitiesCom.log)" \
      "exit 1: the component was called"
    expect_eq absent "$(version_of "$main_code")" "exit 1: the product is removed"
    expect_no_file "$new/readme first.txt" "exit 1: its files are gone, none installed again"
    expect_eq none "$(service_state)" "exit 1: the service is deleted with it"
    expect_no_marker "exit 1: no automatic-removal marker"
    ;;

  upgrade9)
    old="$orvex/Utilities 9.0.100.5"
    install edition_9_0_100_5
    bench_run "$setup" /silent /logbp "$(bench_winpath "$BENCH_RUN/main.log")"
    expect_exit 0 "the run succeeds"
    expect_eq --close-qzvapps "$(events "$old" QZInstallHelper.log)" "the install tool ran with --close-qzvapps"
    expect_eq "1" "$(bench_reg_query 'HKCU\Software\Orvex\Setup' AutoUninst)" "AutoUninst is set"
    expect_eq $'start\nstop requested\nstopped' "$(events "$old" UtilitiesSvc.log)" "the 9.x service was stopped"
    expect_eq "method 36	$(bench_winpath "$setup")" "$(events "$old" UtilitiesCom.log)" \
      "the 9.x component was called"
    expect_eq absent "$(version_of "$edition9_code")" "9.0.100.5 is removed"
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(version_of "$main_code")" "$ORVEX_PRODUCT_VERSION is installed"
    qzupgrade=$(awk 'index($0, "Property(S): QZUPGRADE = ") == 1 { print substr($0, 26); exit }' \
      "$BENCH_RUN/main.log" 2>/dev/null)
    expect_eq 9 "$qzupgrade" "the main package's log has QZUPGRADE=9"
    ;;

  removal_fails)
    old="$orvex/Utilities $ORVEX_PREVIOUS_PRODUCT_VERSION"
    # Wine's caption of the installer's error box.
    installer_error='Install Failed'
    install edition_previous_removal_fails
    bench_start "$setup"
    expect_box "$caption" "$question_remove_first" "the removal question"
    bench_box_press "$caption" yes
    # The removal runs at the basic user interface level: the installer itself shows why it failed.
    if bench_box_wait "$installer_error" 30; then
      expect_contains "$(bench_box_text "$installer_error")" "Orvex Utilities $ORVEX_PREVIOUS_PRODUCT_VERSION cannot be removed." \
        "the installer's basic interface shows the failed condition"
      bench_box_press "$installer_error" ok
    fi
    no_question 3
    bench_wait
    expect_exit 1 "the failed removal ends the setup with 1"
    expect_eq "$ORVEX_PREVIOUS_PRODUCT_VERSION" "$(version_of "$main_code")" "the edition stays installed"
    expect_eq --close-qzvapps "$(events "$old" QZInstallHelper.log)" "the install tool ran with --close-qzvapps"
    expect_eq $'start\nstop requested\nstopped\nstart' "$(events "$old" UtilitiesSvc.log)" \
      "the service was stopped, then started again"
    expect_eq 4 "$(service_state)" "the service runs again"
    expect_no_file "$orvex/Utilities 2011/readme first.txt" "nothing is installed"
    ;;

  tool_259)
    new="$orvex/Utilities 2011"
    install main
    set_tool_exit 259
    bench_start "$setup"
    # The tool ends at once: the question comes within seconds (the old wait never ended).
    if bench_box_wait "$caption" 35; then
      expect_eq "$question_uninstall" "$(bench_box_text "$caption")" "259 is no verdict: the user is asked"
      bench_box_press "$caption" yes
    fi
    bench_wait 60
    expect_exit 0 "Yes: the setup ends with 0"
    expect_eq $'--close-qzvapps\n--uninstall-nocturo' "$(events "$new" QZInstallHelper.log)" \
      "the tool closed the programs, then was asked for its verdict"
    expect_eq $'start\nstop requested\nstopped' "$(events "$new" UtilitiesSvc.log)" "the service was stopped"
    expect_eq absent "$(version_of "$main_code")" "Yes: the product is removed"
    ;;

  tool_missing)
    old="$orvex/Utilities 9.0.100.5"
    new="$orvex/Utilities 2011"
    install edition_9_0_100_5
    rm -f "$old/QZInstallHelper.exe"
    # The shell's own "File not found." box would hold the silent run until someone pressed OK.
    bench_start "$setup" /silent
    bench_wait 90
    expect_exit 0 "the silent 9.x upgrade without the tool succeeds"
    expect_eq absent "$(version_of "$edition9_code")" "9.0.100.5 is removed"
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(version_of "$main_code")" "$ORVEX_PRODUCT_VERSION is installed"

    # The same version: the tool deleted, then the install folder pointing nowhere.
    rm -f "$new/QZInstallHelper.exe"
    for missing in tool folder; do
      if [[ $missing == folder ]]; then
        bench_reg add "$uninstall\\Orvex Utilities 2011" /v InstallLocation /d 'C:\OrvexMissing' /f
      fi
      bench_start "$setup"
      if bench_box_wait "$caption" 35; then
        expect_eq "$question_uninstall" "$(bench_box_text "$caption")" "$missing missing: the user is asked"
        expect_eq "" "$(bench_boxes | awk -F '\t' '$3 == "Error"')" "$missing missing: no box of the shell's own"
        bench_box_press "$caption" no
      fi
      bench_wait 35
      expect_exit 0 "$missing missing, No: the setup ends with 0"
      expect_eq "$ORVEX_PRODUCT_VERSION" "$(version_of "$main_code")" "$missing missing, No: nothing is removed"
    done
    ;;

  *)
    echo "removal_test.sh: unknown scenario $scenario" >&2
    exit 2
    ;;
esac

bench_done
