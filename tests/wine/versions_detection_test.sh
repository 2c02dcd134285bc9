#!/bin/bash
# Installed-product detection against the real Windows Installer and registry: in a fresh prefix
# the scenario's packages are installed with msiexec, then versions_probe.exe runs the detection
# and reports the action, the product code and major number found and the previous install
# location, which must be exactly as expected.
#
#   versions_detection_test.sh SCENARIO
#
# Needs BENCH_TOOLS and BENCH_WORK (see bench.sh), VERSIONS_PROBE (the probe program) and
# ORVEX_PACKAGES (the folder holding the built .msi files).

scenario=${1:?usage: versions_detection_test.sh SCENARIO}
BENCH_NAME=versions_detection_$scenario
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

main_code=$ORVEX_INSTALLER_PRODUCT_CODE
earlier_code=$ORVEX_EARLIER_EDITION_PRODUCT_CODE
compat_code='{6F1D2C3B-7A8E-4B9C-9D0E-1F2A3B4C5D6E}'
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
compat_key='HKLM\Software\Orvex\Setup\Compatibility\1'
# A 32-bit package in a 64-bit prefix.
orvex_folder='C:\Program Files (x86)\Orvex'
ok=0x00000000
e_fail=0x80004005

for needed in VERSIONS_PROBE ORVEX_PACKAGES; do
  if [[ -z ${!needed:-} ]]; then
    echo "versions_detection_test.sh: $needed must be set" >&2
    exit 2
  fi
done

install_package() {
  local package=$ORVEX_PACKAGES/$1.msi
  if [[ ! -f $package ]]; then
    bench_fail "package $1.msi is missing" "looked for $package"
    bench_done
  fi
  bench_run msiexec /i "$(bench_winpath "$package")" /qn
  expect_exit 0 "msiexec installs $1"
}

# expect_detection MESSAGE RESULT ACTION PRODUCT-CODE MAJOR LOCATION-RESULT [LOCATION]
expect_detection() {
  local message=$1 report=$BENCH_RUN/probe.txt expected actual
  expected="result=$2
action=$3
installedProductCode=$4
installedMajorVersion=$5
locationResult=$6"
  [[ $# -ge 7 ]] && expected+="
location=$7"
  rm -f "$report"
  bench_run "$VERSIONS_PROBE" "$(bench_winpath "$report")"
  expect_exit 0 "$message: the probe ran"
  actual=$(cat "$report" 2>/dev/null)
  expect_eq "$expected" "$actual" "$message"
}

bench_prefix

case $scenario in
  nothing)
    expect_detection "nothing installed: fresh install" $ok 1 "$main_code" 0 $e_fail
    ;;
  same)
    install_package main
    expect_detection "$ORVEX_PRODUCT_VERSION installed: same version" $ok 7 "$main_code" 10 $ok \
      "$orvex_folder\\Utilities 2011\\"
    # The location comes from the key named after the product's display name.
    bench_reg add "$uninstall\\Orvex Utilities 2011" /v InstallLocation /d 'D:\Elsewhere' /f ||
      bench_fail "changing the install location"
    expect_detection "install location follows the display name" $ok 7 "$main_code" 10 $ok 'D:\Elsewhere'
    bench_reg delete "$uninstall\\Orvex Utilities 2011" /f || bench_fail "deleting the display-name key"
    expect_detection "no key named after the display name" $ok 7 "$main_code" 10 $e_fail
    ;;
  older)
    install_package edition_previous
    expect_detection "$ORVEX_PREVIOUS_PRODUCT_VERSION installed: older" $ok 2 "$main_code" 10 $ok \
      "$orvex_folder\\Utilities $ORVEX_PREVIOUS_PRODUCT_VERSION\\"
    ;;
  newer_build)
    install_package edition_next
    expect_detection "$ORVEX_NEXT_PRODUCT_VERSION installed: newer" $ok 5 "$main_code" 10 $ok \
      "$orvex_folder\\Utilities $ORVEX_NEXT_PRODUCT_VERSION\\"
    ;;
  newer_minor)
    install_package edition_next_minor
    expect_detection "$ORVEX_NEXT_MINOR_VERSION installed: newer" $ok 5 "$main_code" 10 $ok \
      "$orvex_folder\\Utilities $ORVEX_NEXT_MINOR_VERSION\\"
    ;;
  older_major8)
    install_package edition_8_0_2000_1
    expect_detection "8.0.2000.1 installed: older" $ok 2 "$main_code" 8 $ok \
      "$orvex_folder\\Utilities 8.0.2000.1\\"
    ;;
  major8_later_minor)
    install_package edition_8_1_0_0
    expect_detection "8.1.0.0 installed: does not compare as older" $ok 5 "$main_code" 8 $ok \
      "$orvex_folder\\Utilities 8.1.0.0\\"
    ;;
  major9)
    install_package edition_9_0_100_5
    expect_detection "9.0.100.5 under the earlier edition's code: major 9" $ok 3 "$earlier_code" 9 $ok \
      "$orvex_folder\\Utilities 9.0.100.5\\"
    ;;
  compat)
    install_package edition_compat_previous
    expect_detection "found through the compatibility record" $ok 2 "$compat_code" 10 $ok \
      "$orvex_folder\\Utilities $ORVEX_PREVIOUS_PRODUCT_VERSION\\"
    ;;
  compat_not_installed)
    install_package edition_9_0_100_5
    bench_reg add "$compat_key" /v ProductCode /d "$compat_code" /f || bench_fail "writing the compatibility record"
    expect_detection "a recorded code that is not installed falls through to the earlier edition" \
      $ok 3 "$earlier_code" 9 $ok "$orvex_folder\\Utilities 9.0.100.5\\"
    ;;
  compat_not_text)
    install_package edition_compat_previous
    bench_reg add "$compat_key" /v ProductCode /t REG_EXPAND_SZ /d "$compat_code" /f ||
      bench_fail "rewriting the compatibility record"
    expect_detection "a compatibility record that is not REG_SZ counts as missing" $ok 1 "$main_code" 0 $e_fail
    ;;
  *)
    echo "versions_detection_test.sh: unknown scenario $scenario" >&2
    exit 2
    ;;
esac

bench_done
