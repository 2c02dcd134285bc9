#!/bin/bash
# The help and cancellation links as the real shell receives them: report_probe.exe opens them in a
# fresh prefix, the bench's recorder stands in for the browser (or, where no program is registered
# for web links, for Explorer), and every recorded URL must be exactly the one built from the
# system's own facts, which the probe reads independently with the Win32 calls.
#
#   report_links_test.sh browser | explorer | windows_xp
#
# Needs BENCH_TOOLS and BENCH_WORK (see bench.sh), REPORT_PROBE (the probe program) and
# ORVEX_LINK_BASE (the link base the program was built with).

scenario=${1:?usage: report_links_test.sh SCENARIO}
BENCH_NAME=report_links_$scenario
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

for needed in REPORT_PROBE ORVEX_LINK_BASE; do
  if [[ -z ${!needed:-} ]]; then
    echo "report_links_test.sh: $needed must be set" >&2
    exit 2
  fi
done

product_key="HKLM\\Software\\Orvex\\Setup\\$ORVEX_PRODUCT_CODE_WORD"
user_product_key="HKCU\\Software\\Orvex\\Setup\\$ORVEX_PRODUCT_CODE_WORD"
install_help=$ORVEX_LINK_BASE/link/?target=installhelp
cancellation=$ORVEX_LINK_BASE/link/?target=cancelationduringupgrade

# probe ARGS...: runs the probe; its report lands in the associative array `fact`.
declare -A fact
probe() {
  local report=$BENCH_RUN/probe.txt line
  rm -f "$report"
  fact=()
  bench_run "$REPORT_PROBE" "$(bench_winpath "$report")" "$@"
  expect_exit 0 "probe $*: ran"
  while IFS= read -r line; do
    [[ $line == *=* ]] && fact[${line%%=*}]=${line#*=}
  done <"$report"
}

# The edition number from the facts: GetProductInfo's type from major version 6 on; on older
# workstations 4, 1 (personal suite) or 8 (embedded suite), overridden by the media-center, tablet
# and starter metrics; 0 otherwise.
expected_edition() {
  local major=${fact[version]%%.*} suite=${fact[suite]} tablet media starter number=0
  IFS=, read -r tablet media starter <<<"${fact[metrics]}"
  if ((major > 5)); then
    [[ ${fact[productinfo]} != missing ]] && number=${fact[productinfo]}
  elif ((fact[producttype] == 1)); then
    number=4
    if ((suite & 0x200)); then number=1; elif ((suite & 0x40)); then number=8; fi
    if ((media != 0)); then number=9; elif ((tablet != 0)); then number=7; elif ((starter != 0)); then number=0; fi
  fi
  printf '%s' "$number"
}

# The system-information query expected for the facts of the last probe and a language code.
# Every value Wine reports here consists of letters, digits, "." and "-", which stay unescaped.
expected_query() {
  local query="&qz_product=${ORVEX_PRODUCT_CODE_WORD,,}&qz_version=$ORVEX_PRODUCT_VERSION&qz_lang=$1"
  query+="&os_ver=${fact[version]}&os_sp=${fact[sp]}&os_suite=${fact[suite]}&os_x64=${fact[wow64]}"
  [[ ${fact[systemlocale]} != none ]] && query+="&os_syslang=${fact[systemlocale]}"
  [[ ${fact[userlocale]} != none ]] && query+="&os_userlang=${fact[userlocale]}"
  query+="&os_id=$(expected_edition)"
  [[ ${fact[country]} != none ]] && query+="&os_usercountry=${fact[country]}"
  printf '%s' "$query"
}

# The 16 bytes an "&qz_ighash=" value encodes, as lower-case hexadecimal.
decode_hash() {
  local text=${1%\~\~}
  printf '%s==' "$text" | tr -- '-_' '+/' | base64 -d 2>/dev/null | od -An -v -tx1 | tr -d ' \n'
}

# The bytes of a braced GUID in text order, as lower-case hexadecimal.
guid_bytes() { printf '%s' "$1" | tr -d '{}-' | tr 'A-F' 'a-f'; }

# line FILE N: the N-th line of a recorder file.
line() { sed -n "${2}p" "$1"; }

# expect_install_link URL ERRORCODE ACTION LANGUAGE: the install-help URL, with the identifier
# stored in HKLM encoded in it.
expect_install_link() {
  local url=$1 hash stored
  # Not in $(...), which would lose BENCH_REG_TYPE.
  bench_reg_query "$product_key" "$ORVEX_PRODUCT_VERSION" >"$BENCH_RUN/stored.txt"
  stored=$(<"$BENCH_RUN/stored.txt")
  expect_eq REG_SZ "$BENCH_REG_TYPE" "the identifier is stored as REG_SZ under HKLM"
  expect_match "$stored" '^\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}$' \
    "the stored identifier is braced upper-case text"
  expect_eq "$stored" "${fact[id]}" "the probe reads the same identifier"
  if [[ $url =~ \&qz_ighash=([A-Za-z0-9_-]{22}~~)\& ]]; then
    hash=${BASH_REMATCH[1]}
    expect_eq "$(guid_bytes "$stored")" "$(decode_hash "$hash")" "the hash encodes the stored identifier"
  else
    bench_fail "the URL carries a 24-character hash" "url: $url"
  fi
  expect_eq "$install_help&errorcode=$2&action=$3&qz_ighash=$hash$(expected_query "$4")" "$url" \
    "install-help URL for result $2, action $3"
}

bench_prefix

case $scenario in
  browser)
    bench_browser_recorder
    bench_winver win7 || bench_fail "setting Windows 7"
    bench_set_language de_DE

    probe install 3 1603 de-DE
    # What the system reports, as far as the bench sets it.
    expect_eq 6.1.7601 "${fact[version]}" "Windows 7 version"
    expect_eq 1.0 "${fact[sp]}" "Windows 7 service pack"
    expect_eq 1 "${fact[wow64]}" "the 32-bit probe runs on 64-bit Wine"
    expect_eq de-DE "${fact[userlocale]}" "German user locale"
    # Which location Wine reports does not follow the language reliably (its locale start-up
    # rewrites the registry's location); the URL must carry whatever the system reports.
    expect_match "${fact[country]}" '^[A-Z]{2}$' "the system reports a location"
    bench_wait_lines "$BENCH_URLS" 1 || bench_fail "the browser did not receive the install-help link"
    first=$(line "$BENCH_URLS" 1)
    expect_install_link "$first" 1603 3 de-DE
    expect_contains "$first" "&os_ver=6.1.7601&os_sp=1.0&" "version then service pack"
    expect_contains "$first" "&os_x64=1&" "32-bit emulation reported"
    expect_contains "$first" "&os_userlang=de-DE&" "user locale reported"
    expect_contains "$first" "&os_id=${fact[productinfo]}&os_usercountry=${fact[country]}" \
      "edition from GetProductInfo, then the country"
    bench_reg_query "$user_product_key" "$ORVEX_PRODUCT_VERSION" >/dev/null &&
      bench_fail "nothing is stored for the user while HKLM can be written"
    # Wine's reg shows a default value that is not set as "(value not set)".
    expect_ne "$ORVEX_PRODUCT_VERSION" "$(bench_reg_query "$product_key" "")" "opening a link records no installed version"
    identifier=${fact[id]}

    probe install 1 0 de-DE
    bench_wait_lines "$BENCH_URLS" 2 || bench_fail "the browser did not receive the second link"
    expect_install_link "$(line "$BENCH_URLS" 2)" 0 1 de-DE
    expect_eq "$identifier" "${fact[id]}" "the identifier persists"

    probe record
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(bench_reg_query "$product_key" "")" "the installed version is recorded"
    expect_eq "$identifier" "${fact[id]}" "recording keeps the identifier"

    probe cancel 1 9 de-DE
    expect_eq 1 "${fact[opened]}" "major 9: the cancellation link opens"
    bench_wait_lines "$BENCH_URLS" 3 || bench_fail "the browser did not receive the cancellation link"
    expect_eq "$cancellation&uninstalledversion=9$(expected_query de-DE)" "$(line "$BENCH_URLS" 3)" \
      "cancellation URL with the version"

    probe cancel 0 10 de-DE
    bench_wait_lines "$BENCH_URLS" 4 || bench_fail "the browser did not receive the second cancellation link"
    expect_eq "$cancellation$(expected_query de-DE)" "$(line "$BENCH_URLS" 4)" "cancellation URL without the version"

    probe cancel 1 8 de-DE
    expect_eq 0 "${fact[opened]}" "major 8: no cancellation link"
    if bench_wait_lines "$BENCH_URLS" 5 3; then
      bench_fail "major 8 opened a link" "$(line "$BENCH_URLS" 5)"
    else
      bench_pass "major 8 opens nothing"
    fi

    # "UILanguage" can be written by any process of the user: a quote in it must not end the
    # browser's "%1" and add arguments. It reaches the browser escaped, in the one argument.
    bench_reg_import '[HKEY_CURRENT_USER\Software\Orvex\Utilities\9.0]
"UILanguage"="de-DE\" --gpu-launcher=calc.exe \""' || bench_fail "writing a hostile UILanguage"
    probe cancel 0 9 previous
    bench_wait_lines "$BENCH_URLS" 5 || bench_fail "the browser did not receive the cancellation link"
    expect_eq "$cancellation$(expected_query 'de-DE%22%20--gpu-launcher%3dcalc.exe%20%22')" "$(line "$BENCH_URLS" 5)" \
      "a hostile UILanguage reaches the browser escaped, as one argument"
    ;;
  explorer)
    bench_browser_none
    bench_fake_explorer || bench_fail "replacing Explorer"

    probe install 3 1603 en-US
    bench_wait_lines "$BENCH_EXPLORER" 1 || bench_fail "Explorer did not receive the install-help link"
    quoted=$(line "$BENCH_EXPLORER" 1)
    if [[ $quoted == \"*\" ]]; then
      bench_pass "the install-help link reaches Explorer in double quotation marks"
      quoted=${quoted#\"}
      expect_install_link "${quoted%\"}" 1603 3 en-US
    else
      bench_fail "the install-help link reaches Explorer in double quotation marks" "parameters: $quoted"
    fi

    probe cancel 1 9 en-US
    bench_wait_lines "$BENCH_EXPLORER" 2 || bench_fail "Explorer did not receive the cancellation link"
    expect_eq "$cancellation&uninstalledversion=9$(expected_query en-US)" "$(line "$BENCH_EXPLORER" 2)" \
      "the cancellation link reaches Explorer without quotation marks"
    if [[ -s $BENCH_URLS ]]; then
      bench_fail "no browser was started" "$(cat "$BENCH_URLS")"
    else
      bench_pass "no browser was started"
    fi
    ;;
  windows_xp)
    bench_browser_recorder
    bench_winver winxp || bench_fail "setting Windows XP"
    probe install 2 1620 en-US
    expect_eq 5.1.2600 "${fact[version]}" "Windows XP version"
    expect_eq 3.0 "${fact[sp]}" "Windows XP service pack"
    bench_wait_lines "$BENCH_URLS" 1 || bench_fail "the browser did not receive the install-help link"
    url=$(line "$BENCH_URLS" 1)
    expect_install_link "$url" 1620 2 en-US
    expect_contains "$url" "&os_ver=5.1.2600&os_sp=3.0&" "version then service pack"
    # Wine's XP is a workstation without personal or embedded suite and without the media-center,
    # tablet or starter metric: the table's start value.
    if [[ ${fact[producttype]} == 1 && ${fact[metrics]} == 0,0,0 ]] && ! ((fact[suite] & 0x240)); then
      expect_contains "$url" "&os_id=4&" "edition of a plain XP workstation"
    else
      bench_log "Wine's XP is not a plain workstation here: ${fact[producttype]} ${fact[suite]} ${fact[metrics]}"
    fi
    ;;
  *)
    echo "report_links_test.sh: unknown scenario $scenario" >&2
    exit 2
    ;;
esac

bench_done
