#!/bin/bash
# The stand-ins for the installed product's install tool, service and COM server (packages/fixtures)
# on the real platform: installed by the 10.0.3000.100 edition with msiexec, the service runs and
# stops as the test settings say, the tool records its switch and ends with the code set for it,
# the method at position 36 of the COM component can be called, and the edition made to fail its
# removal stays installed.
#
# Needs BENCH_TOOLS and BENCH_WORK (see bench.sh), COMPONENT_PROBE (component_probe.exe) and
# ORVEX_PACKAGES (the folder holding the built .msi files).

BENCH_NAME=versions_fixtures
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

for needed in COMPONENT_PROBE ORVEX_PACKAGES; do
  if [[ -z ${!needed:-} ]]; then
    echo "versions_fixtures_test.sh: $needed must be set" >&2
    exit 2
  fi
done

main_code=$ORVEX_INSTALLER_PRODUCT_CODE
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$main_code"
settings='HKLM\Software\Orvex\TestFixtures'
service=Orvex.UtilitiesSvc
service_key="HKLM\\System\\CurrentControlSet\\Services\\$service"

# msiexec PACKAGE-NAME-OR-PRODUCT-CODE OPTION ARGS...: msiexec with /qn; BENCH_EXIT is its result.
msiexec() {
  local target=$1 option=$2
  shift 2
  [[ $option == /i ]] && target=$(bench_winpath "$ORVEX_PACKAGES/$target.msi")
  bench_run msiexec "$option" "$target" "$@" /qn
}

# The service's state, check point and wait hint as "sc query" shows them, e.g. "3 0x2 0x5dc".
service_state() {
  _bench_wine sc query "$service" 2>/dev/null | tr -d '\r' |
    awk '$1 == "STATE" { s = $3 } $1 == "CHECKPOINT" { c = $3 } $1 == "WAIT_HINT" { w = $3 }
         END { print s, c, w }'
}

# A fixture log's events: its lines without the time stamps.
events() { cut -f2- "$folder/$1" 2>/dev/null; }

# Milliseconds since the epoch of the time stamp of the first line of a log with that event.
event_time() {
  local stamp
  stamp=$(awk -F '\t' -v event="$2" '$2 == event { print $1; exit }' "$folder/$1" 2>/dev/null)
  [[ -n $stamp ]] && date -u -d "$stamp" +%s%3N
}

bench_prefix
folder="$BENCH_PREFIX/drive_c/Program Files (x86)/Orvex/Utilities 10.0.3000.100"

msiexec edition_10_0_3000_100 /i
expect_exit 0 "msiexec installs the 10.0.3000.100 edition"
expect_eq "4 0x0 0x0" "$(service_state)" "the service runs after the installation"
expect_eq start "$(events UtilitiesSvc.log)" "the service recorded its start"
expect_match "$(cut -f1 "$folder/UtilitiesSvc.log" 2>/dev/null)" \
  '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}Z$' "log lines start with a UTC time stamp"

# The install tool: its exit code comes from the settings, 0 when none is set.
bench_reg add "$settings" /v InstallHelperExitCode /t REG_DWORD /d 1234 /f
bench_run "$folder/QZInstallHelper.exe" --close-qzvapps
expect_exit 1234 "the tool ends with the code set for it"
bench_reg delete "$settings" /v InstallHelperExitCode /f
bench_run "$folder/QZInstallHelper.exe" --uninstall-nocturo
expect_exit 0 "without a code set, the tool ends with 0"
expect_eq $'--close-qzvapps\n--uninstall-nocturo' "$(events QZInstallHelper.log)" "the tool recorded each switch"

# The COM component, created and called as the setup does.
bench_run "$COMPONENT_PROBE"
expect_exit 0 "the method at position 36 is called and returns S_OK"
expect_eq "method 36	$(bench_winpath "$COMPONENT_PROBE")" "$(events UtilitiesCom.log)" \
  "the component recorded the call and its caller"

# Stop-pending for 3 s with a wait hint of 1.5 s: sampled until it stops (at most 15 s).
bench_reg_import '[HKEY_LOCAL_MACHINE\Software\Orvex\TestFixtures]
"ServiceStopMode"=dword:00000001
"ServiceStopPendingSeconds"=dword:00000003
"ServiceWaitHintMs"=dword:000005dc' /reg:32
_bench_wine sc stop "$service" >/dev/null 2>&1
samples=()
deadline=$((SECONDS + 15))
while ((SECONDS < deadline)); do
  samples+=("$(service_state)")
  [[ ${samples[-1]} == "3 "* ]] || break
  sleep 0.25
done
expect_eq "1 0x0 0x0" "${samples[-1]}" "the service stops in the end"
# Before that: stop-pending, the wait hint set, the check point growing and never going back.
sound=1 previous=0 first=
for sample in "${samples[@]:0:${#samples[@]}-1}"; do
  read -r state point hint <<<"$sample"
  [[ $state == 3 && $hint == 0x5dc ]] && ((point >= previous)) || sound=0
  previous=$((point)) first=${first:-$((point))}
done
if ((sound && ${#samples[@]} > 2 && previous > first)); then
  bench_pass "stop-pending with the wait hint set and growing check points"
else
  bench_fail "stop-pending with the wait hint set and growing check points" "samples: ${samples[*]}"
fi
expect_eq $'start\nstop requested\nstopped' "$(events UtilitiesSvc.log)" "the service recorded its stop"
requested=$(event_time UtilitiesSvc.log 'stop requested')
stopped=$(event_time UtilitiesSvc.log stopped)
if [[ -n $requested && -n $stopped ]] && ((stopped - requested >= 3000)); then
  bench_pass "it stayed stop-pending for the 3 s set"
else
  bench_fail "it stayed stop-pending for the 3 s set" "requested: $requested ms" "stopped: $stopped ms"
fi

# Removal: the service is deleted with the product.
msiexec "$main_code" /x
expect_exit 0 "msiexec removes the 10.0.3000.100 edition"
if bench_reg query "$service_key"; then
  bench_fail "the service is deleted" "$service_key is still there"
else
  bench_pass "the service is deleted"
fi

# The edition whose removal fails, its service set to refuse the stop control from its start.
bench_reg add "$settings" /v ServiceStopMode /t REG_DWORD /d 2 /f
msiexec edition_10_0_3000_100_removal_fails /i
expect_exit 0 "msiexec installs the edition whose removal fails"
if _bench_wine sc stop "$service" >/dev/null 2>&1; then
  bench_fail "a service set to refuse does not take the stop control" "sc stop succeeded"
else
  bench_pass "a service set to refuse does not take the stop control"
fi
expect_eq "4 0x0 0x0" "$(service_state)" "and stays running"
msiexec "$main_code" /x
expect_exit 1603 "the removal fails"
expect_eq 10.0.3000.100 "$(bench_reg_query "$uninstall_key" DisplayVersion)" "the edition stays installed"
expect_file "$folder/QZInstallHelper.exe" "its install tool stays"
expect_eq "4 0x0 0x0" "$(service_state)" "its service keeps running"
expect_eq $'start\nstop requested\nstopped\nstart' "$(events UtilitiesSvc.log)" \
  "no stop reached the refusing service"

bench_done
