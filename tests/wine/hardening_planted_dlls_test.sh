#!/bin/bash
# DLLs planted beside the setup are never loaded. The setup restricts the DLL search to the system
# folder as its first step and imports statically only DLLs that Windows takes from its KnownDLLs
# list, so a planted copy of any DLL it loads afterwards (comctl32, uxtheme, msi, wtsapi32 and
# whatever those pull in) stays unused.
#
# Wine prefers its own built-in DLLs; told to prefer native ones for the planted names, as Windows
# does for every DLL outside the KnownDLLs, it loads a planted canary whose DllMain writes a
# marker. The test finds the DLLs the setup loads after its entry point in a silent and an
# interactive run (WINEDEBUG=+loaddll), plants a canary under each of those names beside the
# setup, runs it again native-first, and expects no marker and a complete installation. A program
# without the restriction loading the same names gets the canaries: the check can fail.
#
# Systems without SetDefaultDllDirectories (before Windows 8 and KB2533623) keep the program's
# folder first for DLLs loaded by name; there the setup loads beforehand, from the system folder,
# the DLLs that system DLLs load by name while working for it. The test preloads them as the setup
# does and then loads each by name with canaries planted: the loaded modules must be taken. The
# names were measured with a setup that finds no SetDefaultDllDirectories, its own folder first in
# the search (WINEDEBUG=+module): besides the DLLs the setup loads itself, secur32 loads kerberos
# and msv1_0 by name as it starts, in every mode.
# (Left out under Wine: profapi, cryptbase and ntmarta, which Wine lacks, and version, which
# Wine's own DLLs import before the entry point.)
#
# What loads before the entry point is measured, not listed: a setup started while another
# process holds its mutex ends right after taking it, so what it loaded is what the loader
# brought in for its imports. Under Wine that includes DLLs that Wine's own built-in DLLs import
# (version, zlib1, win32u, sechost, ucrtbase, rpcrt4, combase, shcore, imm32 and the like); on
# Windows those come from the KnownDLLs or the system folder before the program runs, and nothing
# the program does could change it. Wine's own drivers (*.drv) have no Windows counterpart.
#
# Nor can the program steer the DLLs that Wine's built-in DLLs pull in through their delay imports
# while they work for it (uxtheme brings in msimg32 when it draws the language dialog's themed
# controls): Wine's loader resolves those without a search path, from the program's folder first,
# where Windows applies the default DLL directories the program set. They are measured too (the
# loader's trace shows the load without a search path) and not planted.
#
#   hardening_planted_dlls_test.sh SETUP CANARY_DLL HARDENING_PROBE

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

setup=$1
canary=$2
probe=$3
dialog_caption="Orvex Utilities 2011 Installation"
product_code=$ORVEX_INSTALLER_PRODUCT_CODE

bench_prefix --display
bench_browser_recorder
downloads=$BENCH_RUN/Downloads
mkdir -p "$downloads"
cp "$setup" "$downloads/OrvexUtilities2011Setup.exe"
cp "$probe" "$downloads/hardening_probe.exe"
exe=$downloads/OrvexUtilities2011Setup.exe
markers=$BENCH_RUN/canary.log
export ORVEX_CANARY_LOG
ORVEX_CANARY_LOG=$(bench_winpath "$markers")

# loaded_by_setup LOG: the lower-case file names of the DLLs the setup's own process loaded.
loaded_by_setup() {
  local pid
  pid=$(grep -m1 -i 'loaddll:build_module Loaded L".*\\\\OrvexUtilities2011Setup\.exe"' "$1" | cut -d: -f1)
  [[ -n $pid ]] || return 0
  grep "^$pid:.*loaddll:build_module Loaded" "$1" | sed -E 's/.*Loaded L"([^"]*)".*/\1/' |
    sed -E 's/.*\\\\//' | tr '[:upper:]' '[:lower:]' | grep -v '\.\(exe\|drv\)$' | sort -u
}

# delay_loaded_by_wine LOG: the lower-case file names of the DLLs that the setup's process first
# loaded with no search path (WINEDEBUG=+module): Wine's built-in DLLs resolving their delay
# imports.
delay_loaded_by_wine() {
  local pid
  pid=$(grep -m1 -i 'loaddll:build_module Loaded L".*\\\\OrvexUtilities2011Setup\.exe"' "$1" | cut -d: -f1)
  [[ -n $pid ]] || return 0
  awk -v prefix="$pid:" '
    index($0, prefix) != 1 { next }
    /trace:module:load_dll looking for L"/ {
      name = tolower($0); sub(/.*looking for l"/, "", name); sub(/".*/, "", name)
      if (name !~ /\./) name = name ".dll"
      unsearched[name] = index($0, "\" in (null)") > 0
    }
    /loaddll:build_module Loaded L"/ {
      name = tolower($0); sub(/.*loaded l"/, "", name); sub(/".*/, "", name); sub(/.*\\/, "", name)
      if (!(name in seen)) { seen[name] = 1; if (unsearched[name]) print name }
    }' "$1" | sort -u
}

# run_both: a silent run, then an interactive one (answering the language dialog, where there is
# one, with Next). Both must install the product.
run_both() {
  local what=$1
  bench_run "$exe" /silent
  expect_exit 0 "$what: the silent run installs"
  bench_run msiexec /x "$product_code" /qn
  bench_start "$exe"
  if _bench_boxes wait "$(_bench_hex "$dialog_caption")" "$(_bench_box_ms)" >/dev/null 2>&1; then
    bench_box_press "$dialog_caption" ok
  fi
  bench_wait
  expect_exit 0 "$what: the interactive run installs"
  bench_reg_query "HKLM\\Software\\Orvex\\Setup\\$ORVEX_PRODUCT_CODE_WORD" "" >/dev/null
  expect_eq 0 $? "$what: the installed version is recorded"
  bench_run msiexec /x "$product_code" /qn
}

# What the loader brings in before the entry point: the setup ends at once behind the mutex.
wine "$downloads/hardening_probe.exe" hold "$(_bench_scaled 20)" "$(bench_winpath "$BENCH_RUN/holding")" \
  </dev/null >/dev/null 2>&1 &
holder=$!
bench_wait_lines "$BENCH_RUN/holding" 1 10 || bench_fail "the other program holds the mutex"
WINEDEBUG=+pid,+loaddll bench_run "$exe" /silent 2>"$BENCH_RUN/before-entry.log"
expect_exit 1 "a setup behind another one's mutex ends at once"
before_entry=$(loaded_by_setup "$BENCH_RUN/before-entry.log")
wait "$holder"

# What it loads in whole runs.
WINEDEBUG=+pid,+loaddll,+module bench_run "$exe" /silent 2>"$BENCH_RUN/silent.log"
expect_exit 0 "the silent run installs"
bench_run msiexec /x "$product_code" /qn
WINEDEBUG=+pid,+loaddll,+module bench_start "$exe" 2>"$BENCH_RUN/interactive.log"
if _bench_boxes wait "$(_bench_hex "$dialog_caption")" "$(_bench_box_ms)" >/dev/null 2>&1; then
  bench_box_press "$dialog_caption" ok
fi
bench_wait
expect_exit 0 "the interactive run installs"
bench_run msiexec /x "$product_code" /qn
# (Without a search path the loader also brings in the program's own imports before its entry.)
wine_delay_loads=$(comm -23 <(cat <(delay_loaded_by_wine "$BENCH_RUN/silent.log") \
                                  <(delay_loaded_by_wine "$BENCH_RUN/interactive.log") | sort -u) \
                            <(printf '%s\n' "$before_entry"))
after_entry=$(comm -23 <(cat <(loaded_by_setup "$BENCH_RUN/silent.log") \
                             <(loaded_by_setup "$BENCH_RUN/interactive.log") | sort -u) \
                       <(printf '%s\n' "$before_entry" "$wine_delay_loads" | sort -u))
bench_log "loaded before the entry point: $(echo $before_entry)"
bench_log "loaded by Wine's delay imports: $(echo $wine_delay_loads)"
bench_log "loaded after it: $(echo $after_entry)"
expect_match "$(echo $after_entry)" '(^| )comctl32\.dll( |$)' "the common controls are loaded after the entry point"
expect_match "$(echo $after_entry)" '(^| )msi\.dll( |$)' "msi.dll is loaded after the entry point"

# Canaries under every one of those names, preferred by Wine as Windows would prefer them.
overrides=
for dll in $after_entry; do
  cp "$canary" "$downloads/$dll"
  overrides+="${dll%.dll}=n,b;"
done
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}$overrides"

rm -f "$markers"
run_both "with canaries beside it"
expect_eq "" "$(cat "$markers" 2>/dev/null)" "no planted DLL was loaded by the setup"

# The same names loaded without the restriction do get the canaries.
rm -f "$markers"
# shellcheck disable=SC2086
bench_run "$downloads/hardening_probe.exe" load $after_entry
expect_contains "$(cat "$markers" 2>/dev/null)" "comctl32.dll" "without the restriction the planted comctl32.dll is loaded"

# Preloading, for systems where the search cannot be restricted. A folder with canaries for those
# names only: Wine's DLLs resolve their own imports from the program's folder (ws2_32 and the
# like), where Windows takes them from the system folder that the preloaded DLL came from.
preloaded="uxtheme.dll msimg32.dll dwmapi.dll userenv.dll cryptsp.dll rsaenh.dll kerberos.dll msv1_0.dll sspicli.dll
  secur32.dll propsys.dll apphelp.dll"
downloads=$BENCH_RUN/Preload
mkdir -p "$downloads"
cp "$probe" "$downloads/hardening_probe.exe"
for dll in $preloaded; do
  cp "$canary" "$downloads/$dll"
  WINEDLLOVERRIDES+=";${dll%.dll}=n,b"
done
rm -f "$markers"
# shellcheck disable=SC2086
bench_run "$downloads/hardening_probe.exe" load $preloaded
expect_eq "$(printf '%s\n' $preloaded | sort)" \
  "$(sed 's/.*\\//' "$markers" 2>/dev/null | tr '[:upper:]' '[:lower:]' | sort -u)" \
  "without preloading, every planted copy is loaded"
rm -f "$markers"
# shellcheck disable=SC2086
bench_run "$downloads/hardening_probe.exe" preload $preloaded
expect_eq "" "$(cat "$markers" 2>/dev/null)" "after preloading no planted copy is loaded"

bench_done
