#!/bin/bash
# The installation run end to end: a signed and stamped setup, started as from Explorer (or typed
# at a prompt), installs its real packages through Wine's Windows Installer in a fresh prefix. The
# scenario then checks what the run left: the products in the Uninstall keys and their files, the
# order in which the files arrived, the properties in the verbose logs, the registry record, the
# warning box and the links opened in the browser.
#
#   run_installation_test.sh SCENARIO SETUP
#
# SETUP is the setup executable the scenario starts (see run.cmake). Needs BENCH_TOOLS and
# BENCH_WORK (see bench.sh), ORVEX_LINK_BASE (the link base the program was built with),
# ORVEX_PACKAGES (the folder of the built packages) and RUN_MESSAGE_PROBE (run_message_probe.exe).

scenario=${1:?usage: run_installation_test.sh SCENARIO SETUP}
setup=${2:?usage: run_installation_test.sh SCENARIO SETUP}
BENCH_NAME=run_$scenario
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

for needed in ORVEX_LINK_BASE ORVEX_PACKAGES RUN_MESSAGE_PROBE; do
  if [[ -z ${!needed:-} ]]; then
    echo "run_installation_test.sh: $needed must be set" >&2
    exit 2
  fi
done

main_code=$ORVEX_INSTALLER_PRODUCT_CODE
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
product_key="HKLM\\Software\\Orvex\\Setup\\$ORVEX_PRODUCT_CODE_WORD"
package_folder="C:\\ProgramData\\$ORVEX_INSTALLER_PRODUCT_CODE"
package_file_name=$ORVEX_MAIN_PACKAGE_FILE
caption='Orvex Utilities'
# The language packs in the order of their resource names (QZLANGPACK_DA_DK, ...), and their
# products.
mapfile -t all_languages < <(printf '%s\n' "${ORVEX_LANGUAGE_CODES[@]}" | LC_ALL=C sort)
declare -n pack_code=ORVEX_LANGUAGE_PACK_PRODUCT_CODES
read -r -a default_properties <<<"$ORVEX_DEFAULT_AFFILIATE_PROPERTIES"

# Products: the Uninstall keys named after product codes, with their display names.

declare -A product_name
# Reads every product's display name from the Uninstall keys (one reg.exe start) into
# product_name, keyed by product code.
read_products() {
  local line key='' pattern_key pattern_name
  product_name=()
  pattern_key='^HKEY_LOCAL_MACHINE\\.*\\Uninstall\\(\{[0-9A-Fa-f-]+\})$'
  pattern_name='^    DisplayName    REG_SZ    (.*)$'
  while IFS= read -r line; do
    line=${line%$'\r'}
    if [[ $line =~ $pattern_key ]]; then
      key=${BASH_REMATCH[1]^^}
      product_name[$key]=
    elif [[ -n $key && $line =~ $pattern_name ]]; then
      product_name[$key]=${BASH_REMATCH[1]}
    elif [[ $line == HKEY_* ]]; then
      key=''
    fi
  done < <(_bench_wine reg query "$uninstall" /s 2>/dev/null)
}

# The languages whose pack product is installed, in resource-name order, separated by blanks.
installed_packs() {
  local language list=()
  for language in "${all_languages[@]}"; do
    [[ -v product_name[${pack_code[$language]}] ]] && list+=("$language")
  done
  printf '%s' "${list[*]}"
}

# expect_packs "LANGUAGE..." MESSAGE: exactly these pack products are installed (after
# read_products), each under its own name and with its language file.
expect_packs() {
  local language
  expect_eq "$1" "$(installed_packs)" "$2"
  for language in $1; do
    expect_eq "Orvex Utilities 2011 Language Pack ($language)" "${product_name[${pack_code[$language]}]}" \
      "$2: $language is the product of its pack"
    expect_file "$program_folder/lang/$language.txt" "$2: the $language pack's file is installed"
  done
}

# expect_main_installed MESSAGE / expect_main_absent MESSAGE (after read_products)
expect_main_installed() {
  expect_eq 'Orvex Utilities 2011' "${product_name[$main_code]-not installed}" "$1: the main package is installed"
  expect_file "$program_folder/readme first.txt" "$1: the main package's files are installed"
}
expect_main_absent() {
  expect_eq 'not installed' "${product_name[$main_code]-not installed}" "$1: the main package is not installed"
  expect_no_file "$program_folder/readme first.txt" "$1: none of the main package's files"
}

# The languages of the installed pack files in the order they arrived (the inode change time,
# which no program sets), separated by blanks.
arrival_order() {
  find "$program_folder/lang" -name '*.txt' -printf '%C@ %f\n' 2>/dev/null | sort -n |
    sed 's/^[^ ]* //; s/\.txt$//' | paste -sd ' '
}

# expect_main_after_packs MESSAGE: the main package's file arrived after every pack file.
expect_main_after_packs() {
  local main last
  main=$(find "$program_folder" -maxdepth 1 -name 'readme first.txt' -printf '%C@')
  last=$(find "$program_folder/lang" -name '*.txt' -printf '%C@\n' | sort -n | tail -1)
  if [[ -n $main && -n $last ]] && awk -v a="$last" -v b="$main" 'BEGIN { exit !(a < b) }'; then
    bench_pass "$1"
  else
    bench_fail "$1" "last pack file: ${last:-none}" "main package file: ${main:-none}"
  fi
}

# Logs: Wine writes each property of the installation as "Property(S): NAME = value".

# log_property LOG NAME: the value of the property in the log; returns 1 when it is not there.
log_property() {
  awk -v name="$2" 'index($0, "Property(S): " name " = ") == 1 {
      print substr($0, length("Property(S): " name " = ") + 1); found = 1; exit }
    END { exit !found }' "$1" 2>/dev/null
}

# expect_log LOG MESSAGE NAME=VALUE...: the log holds each property with exactly that value.
expect_log() {
  local log=$1 message=$2 pair name value
  shift 2
  if [[ ! -s $log ]]; then
    bench_fail "$message: the log was written" "no log at $log"
    return
  fi
  for pair in "$@"; do
    name=${pair%%=*}
    value=$(log_property "$log" "$name") || value='(no such property)'
    expect_eq "${pair#*=}" "$value" "$message: $name"
  done
}

# expect_no_log_property LOG NAME MESSAGE: the log has no such property.
expect_no_log_property() {
  local value
  if value=$(log_property "$1" "$2"); then
    bench_fail "$3" "$2 = $value"
  else
    bench_pass "$3"
  fi
}

# expect_no_warning_box SECONDS: no box captioned "Orvex Utilities" shows up meanwhile; one that
# does is answered, so that the run can end.
expect_no_warning_box() {
  bench_no_box "$caption" "$1"
  if bench_boxes | awk -F '\t' -v caption="$caption" '$3 == caption { found = 1 } END { exit !found }'; then
    bench_box_press "$caption" ok
  fi
}

# Links.

# expect_no_link SECONDS MESSAGE: the browser receives nothing within SECONDS.
expect_no_link() {
  if bench_wait_lines "$BENCH_URLS" 1 "$1"; then
    bench_fail "$2" "opened: $(cat "$BENCH_URLS")"
  else
    bench_pass "$2"
  fi
}

# The 16 bytes an "&qz_ighash=" value encodes, as lower-case hexadecimal.
decode_hash() {
  local text=${1%\~\~}
  printf '%s==' "$text" | tr -- '-_' '+/' | base64 -d 2>/dev/null | od -An -v -tx1 | tr -d ' \n'
}

# The bytes of a braced GUID in text order (its first three fields big-endian), lower-case hex.
guid_bytes() { printf '%s' "$1" | tr -d '{}-' | tr 'A-F' 'a-f'; }

# expect_install_help_link ERRORCODE MESSAGE: the browser received exactly one link, the
# install-help page for a fresh installation with that result, whose hash encodes the
# installation identifier stored in the registry and whose system keys come in their order.
expect_install_help_link() {
  local url start rest hash stored pattern
  if ! bench_wait_lines "$BENCH_URLS" 1 10; then
    bench_fail "$2: the browser received the install-help link"
    return
  fi
  if bench_wait_lines "$BENCH_URLS" 2 1; then
    bench_fail "$2: only one link is opened" "$(cat "$BENCH_URLS")"
  fi
  url=$(sed -n 1p "$BENCH_URLS")
  start="$ORVEX_LINK_BASE/link/?target=installhelp&errorcode=$1&action=1&qz_ighash="
  if [[ $url != "$start"* ]]; then
    bench_fail "$2: install-help link for result $1 and action 1" "expected start: $start" "url: $url"
    return
  fi
  rest=${url#"$start"}
  pattern="^([A-Za-z0-9_-]{22}~~)&qz_product=${ORVEX_PRODUCT_CODE_WORD,,}&qz_version=${ORVEX_PRODUCT_VERSION//./\\.}&qz_lang=silent"
  pattern+='&os_ver=[0-9]+\.[0-9]+\.[0-9]+&os_sp=[0-9]+\.[0-9]+&os_suite=[0-9]+&os_x64=[01]'
  pattern+='(&os_syslang=[A-Za-z]+-[A-Za-z]+)?(&os_userlang=[A-Za-z]+-[A-Za-z]+)?&os_id=[0-9]+'
  pattern+='(&os_usercountry=[A-Z]+)?$'
  if [[ ! $rest =~ $pattern ]]; then
    bench_fail "$2: hash, product, version, language and system keys in order" "url: $url"
    return
  fi
  bench_pass "$2: install-help link for result $1, with the system keys in order"
  hash=${BASH_REMATCH[1]}
  stored=$(bench_reg_query "$product_key" "$ORVEX_PRODUCT_VERSION")
  expect_match "$stored" '^\{[0-9A-F]{8}-([0-9A-F]{4}-){3}[0-9A-F]{12}\}$' "$2: an installation identifier is stored"
  expect_eq "$(guid_bytes "$stored")" "$(decode_hash "$hash")" "$2: the hash encodes the stored identifier"
}

# log_path NAME: the Windows path of the log NAME.log in the run folder.
log_path() { bench_winpath "$BENCH_RUN/$1.log"; }

# expect_no_version_recorded MESSAGE: the product key holds no installed version.
expect_no_version_recorded() {
  expect_ne "$ORVEX_PRODUCT_VERSION" "$(bench_reg_query "$product_key" '')" "$1: no installed version is recorded"
}

# The language dialog, read and worked through the control lister.
dialog_english='Orvex Utilities 2011 Installation'
dialog_german='Orvex Utilities 2011-Installation'
english_question='Are you sure you want to cancel the installation of Orvex Utilities 2011?'
german_question='Sind Sie sicher, dass die Installation von Orvex Utilities 2011 abgebrochen werden soll?'

# control_field LISTING ID FIELDS: those fields (as cut takes them) of the first control with that id (the ComboBoxEx32
# comes before the combo box inside it).
control_field() { awk -F'\t' -v id="$2" '$1 == id { print; exit }' <<<"$1" | cut -f"$3"; }

# shown_controls LISTING: "ID visible|hidden" of the controls that the layout decides on.
shown_controls() {
  awk -F'\t' '$2 == 0 && $1 ~ /^(1003|1005|1006|1007|1008|1009|1012)$/ { print $1, $4 }' <<<"$1" | paste -sd ' '
}

# expect_question CAPTION TEXT MESSAGE: the cancel question is open, with Yes and No.
expect_question() {
  expect_eq "$2" "$(bench_box_text "$1")" "$3"
  expect_eq $'6\n7' "$(bench_box_buttons "$1" | cut -f1)" "$3: Yes and No"
}

# write_tag SOURCE DEST TEXT: a copy of the signed SOURCE whose tag holds TEXT, written as anyone
# can write it (the tag lies outside what the signature covers), past the stamping tool's checks.
write_tag() {
  python3 - "$@" <<'EOF'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
pe = struct.unpack_from('<I', data, 0x3C)[0]
certificate = struct.unpack_from('<I', data, pe + 0x98)[0]
signature = struct.unpack_from('>H', data, certificate + 10)[0]
text = sys.argv[3].encode()
block = b'Gact' + struct.pack('>H', len(text)) + text
data = data[:certificate + ((signature + 19) & ~7)] + block + bytes(-len(block) % 8)
struct.pack_into('<I', data, certificate, len(data) - certificate)
struct.pack_into('<I', data, pe + 0x9C, len(data) - certificate)
open(sys.argv[2], 'wb').write(data)
EOF
}

case $scenario in
  main_1627_silent | main_1627_reduced | pack_fails | main_1603 | dialog_* | hostile_tag | bare_name)
    bench_prefix --display
    ;;
  *) bench_prefix ;;
esac
bench_browser_recorder
program_folder="$BENCH_PREFIX/drive_c/Program Files (x86)/Orvex/Utilities 2011"

case $scenario in
  all_packs)
    # No "/language": every carried pack in resource-name order, then the main package.
    bench_run "$setup" /silent /logbp "$(log_path main)" /loglp "$(log_path packs)"
    expect_exit 0 "the run succeeds"
    read_products
    expect_packs "${all_languages[*]}" "every pack"
    expect_eq "${all_languages[*]}" "$(arrival_order)" "the packs are installed in resource-name order"
    expect_main_installed "after the packs"
    expect_main_after_packs "the main package is installed after the packs"
    expect_log "$BENCH_RUN/main.log" "main package's log" "ProductCode=$main_code" LANGSTRING=silent \
      USERDEFINST=2 "${default_properties[@]}" TRANSFORMS=:silent FASTOEM=1 \
      TRANSFORMAPPLIED=silent QZUPGRADE=0 UILevel=2
    # The pack log ends with the last pack's installation.
    expect_log "$BENCH_RUN/packs.log" "last pack's log" "ProductCode=${pack_code[zh-CN]}" UILevel=2
    expect_no_log_property "$BENCH_RUN/packs.log" LANGSTRING "the packs get none of the main package's properties"
    # Not in $(...), which would lose BENCH_REG_TYPE.
    bench_reg_query "$product_key" '' >"$BENCH_RUN/version.txt"
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(<"$BENCH_RUN/version.txt")" "the installed version is recorded"
    expect_eq REG_SZ "$BENCH_REG_TYPE" "the installed version is text"
    expect_match "$(bench_reg_query "$product_key" "$ORVEX_PRODUCT_VERSION")" \
      '^\{[0-9A-F]{8}-([0-9A-F]{4}-){3}[0-9A-F]{12}\}$' "a braced identifier is stored under the version"
    expect_no_link 3 "a silent run opens no page"
    ;;

  languages)
    # Codes from two "/language" options, installed in the order given.
    bench_run "$setup" /silent /language 'fr-FR;de-DE' /language en-US
    expect_exit 0 "the run succeeds"
    read_products
    expect_packs "de-DE en-US fr-FR" "the three named packs and no other"
    expect_eq "fr-FR de-DE en-US" "$(arrival_order)" "the packs are installed in the order named"
    expect_main_installed "after the named packs"
    expect_main_after_packs "the main package is installed after the packs"
    ;;

  then_all)
    # "all" after a code: every pack once, in resource-name order.
    bench_run "$setup" /silent /language 'en-US;all'
    expect_exit 0 "the run succeeds"
    read_products
    expect_packs "${all_languages[*]}" "every pack"
    expect_eq "${all_languages[*]}" "$(arrival_order)" "each pack once, in resource-name order"
    expect_main_installed "after en-US;all"
    ;;

  unsupported)
    bench_console "$setup" /silent /language ALL
    expect_eq $'\n\nSpecified Language "ALL" is not supported!\n' "$BENCH_OUTPUT" "the refusal on the console"
    expect_exit 1 "the run ends with 1"
    read_products
    expect_eq "" "$(installed_packs)" "no pack is installed"
    expect_main_absent "refused language"
    expect_no_file "$program_folder" "nothing is installed under Program Files"
    expect_no_version_recorded "$scenario"
    expect_file "$BENCH_PREFIX/drive_c/ProgramData/${main_code}/$package_file_name" \
      "the main package has already been written"
    attributes=$(_bench_wine cmd /c "attrib $package_folder" 2>/dev/null | tr -d '\r')
    attributes=${attributes%%C:\\*}
    expect_match "$attributes" 'S' "the package folder is a system folder"
    expect_match "$attributes" 'H' "the package folder is hidden"
    ;;

  extra_properties)
    # The packs' own properties go to the packs only, and ALLUSERS=1 comes after them (the last
    # value of a property wins).
    bench_run "$setup" /reducedui /bpprops A=1 B=2 /logbp "$(log_path main)" /lpprops C=3 ALLUSERS=7 \
      /loglp "$(log_path packs)"
    expect_exit 0 "the run succeeds"
    read_products
    expect_packs "${all_languages[*]}" "every pack"
    expect_main_installed "reduced user interface"
    # FASTOEM keeps the package's own value; the user interface is the basic one.
    expect_log "$BENCH_RUN/main.log" "main package's log" "ProductCode=$main_code" A=1 B=2 LANGSTRING=silent \
      USERDEFINST=2 "${default_properties[@]}" TRANSFORMS=:silent \
      TRANSFORMAPPLIED=silent FASTOEM=0 UILevel=3
    expect_no_log_property "$BENCH_RUN/main.log" C "the packs' properties do not reach the main package"
    expect_log "$BENCH_RUN/packs.log" "last pack's log" "ProductCode=${pack_code[zh-CN]}" C=3 ALLUSERS=1 UILevel=2
    expect_no_log_property "$BENCH_RUN/packs.log" A "the main package's properties do not reach the packs"
    expect_install_help_link 0 "after success"
    expect_eq "$ORVEX_PRODUCT_VERSION" "$(bench_reg_query "$product_key" '')" "the installed version is recorded"
    ;;

  pack_fails)
    # da-DK installs, then the de-DE pack fails with 1603: no main package, da-DK removed again.
    bench_start "$setup" /silent /loglp "$(log_path packs)"
    expect_no_warning_box 3
    bench_wait
    expect_exit 1 "the run ends with 1"
    read_products
    expect_eq "" "$(installed_packs)" "no pack product is left"
    expect_main_absent "after the failing pack"
    # The pack log ends with the removal of the pack that had been installed.
    expect_log "$BENCH_RUN/packs.log" "removal of the da-DK pack" "ProductCode=${pack_code[da-DK]}" \
      ProductState=5 REMOVE=ALL
    expect_no_file "$program_folder/lang/da-DK.txt" "the da-DK pack's file is gone"
    expect_no_version_recorded "$scenario"
    expect_no_link 1 "a silent run opens no page"
    ;;

  main_1603)
    # Both packs install, the main package fails with 1603: both packs are removed again.
    bench_start "$setup" /silent /loglp "$(log_path packs)" /logbp "$(log_path main)"
    expect_no_warning_box 3
    bench_wait
    expect_exit 1 "the run ends with 1"
    read_products
    expect_eq "" "$(installed_packs)" "every pack product is removed again"
    expect_main_absent "after its failure"
    expect_log "$BENCH_RUN/packs.log" "installation of the en-US pack" "ProductCode=${pack_code[en-US]}" \
      ProductState=-1
    # The main package's log switch stays in force: it ends with the last removal.
    expect_log "$BENCH_RUN/main.log" "removal of the en-US pack" "ProductCode=${pack_code[en-US]}" \
      ProductState=5 REMOVE=ALL
    expect_no_version_recorded "$scenario"
    expect_no_link 1 "a silent run opens no page"
    ;;

  main_1627_silent | main_1627_reduced)
    # The main package fails with 1627: a warning box with the system's text for 1627.
    probe_file=$BENCH_RUN/message.txt
    bench_run "$RUN_MESSAGE_PROBE" "$(bench_winpath "$probe_file")" 1627
    expect_exit 0 "the system has a text for 1627"
    _bench_read_exact system_text "$probe_file"
    expect_ne "" "$system_text" "the system's text for 1627 is not empty"
    expect_not_contains "$system_text" 1627 "the system's text is not the number"

    if [[ $scenario == main_1627_silent ]]; then
      bench_start "$setup" /silent
    else
      bench_start "$setup" /reducedui
    fi
    if bench_box_wait "$caption" 30; then
      if kill -0 "$BENCH_PID" 2>/dev/null; then
        bench_pass "the box shows while the setup runs"
      else
        bench_fail "the box shows while the setup runs"
      fi
      expect_box "$caption" "$system_text" "the warning box shows the system's text for 1627"
      expect_eq $'1\tOK' "$(bench_box_buttons "$caption")" "the box has an OK button only"
      expect_no_link 1 "no page opens while the box is shown"
      bench_box_press "$caption" ok
    fi
    bench_wait
    expect_exit 1 "the run ends with 1"
    read_products
    expect_eq "" "$(installed_packs)" "the en-US pack is removed again"
    expect_main_absent "after its failure"
    expect_no_version_recorded "$scenario"
    if [[ $scenario == main_1627_silent ]]; then
      expect_no_link 2 "a silent run opens no page"
    else
      expect_install_help_link 1627 "after the box"
    fi
    ;;

  upgrade9)
    # An installed 9.x edition: the main package is told so.
    bench_run msiexec /i "$(bench_winpath "$ORVEX_PACKAGES/edition_9_0_100_5.msi")" /qn
    expect_exit 0 "msiexec installs the 9.0.100.5 edition"
    bench_run "$setup" /silent /logbp "$(log_path main)"
    expect_exit 0 "the run succeeds"
    expect_log "$BENCH_RUN/main.log" "main package's log" "ProductCode=$main_code" QZUPGRADE=9 FASTOEM=1 \
      LANGSTRING=silent
    read_products
    expect_main_installed "over the 9.x edition"
    ;;

  tagged)
    bench_run "$setup" /silent /logbp "$(log_path main)"
    expect_exit 0 "the run succeeds"
    expect_log "$BENCH_RUN/main.log" "main package's log" "ProductCode=$main_code" \
      AFFILIATEID=qzv2011aid31051en-US 'AFFILIATEIDFLAGS=1#5' USERDEFINST=2 LANGSTRING=silent
    read_products
    expect_packs en-US "the carried pack"
    expect_main_installed "with another tag"
    ;;

  hostile_tag)
    # A tag changed behind the signature names a property the package trusts and ends with an
    # empty value, which would make Windows Installer take the next property (TRANSFORMS) as its
    # value: the setup warns, ignores the tag and installs with its default properties.
    hostile=$BENCH_RUN/OrvexUtilities2011Setup.exe
    write_tag "$setup" "$hostile" 'AFFILIATEID=x&INSTALLDIR=C:\ProgramData\evil\&AFFILIATEIDFLAGS='
    bench_start "$hostile" /silent /logbp "$(log_path main)"
    expect_box extract_aidconfig3 'No AID Config found.  Using default values.' "the changed tag is ignored"
    bench_box_press extract_aidconfig3 ok
    bench_wait
    expect_exit 0 "the run succeeds"
    expect_log "$BENCH_RUN/main.log" "main package's log" "${default_properties[@]}" TRANSFORMS=:silent \
      TRANSFORMAPPLIED=silent
    read_products
    expect_main_installed "in its own folder"
    expect_no_file "$BENCH_PREFIX/drive_c/ProgramData/evil" "nothing is installed where the tag pointed"
    ;;

  bare_name)
    # The genuine setup, found on PATH and started by its bare name from a folder anyone can write,
    # where a file of that name without extension carries another tag: the setup reads its own.
    genuine=$BENCH_RUN/genuine
    downloads=$BENCH_RUN/downloads
    mkdir -p "$genuine" "$downloads"
    cp "$setup" "$genuine/OrvexUtilities2011Setup.exe"
    write_tag "$setup" "$downloads/OrvexUtilities2011Setup" AFFILIATEID=planted
    WINEPATH=$(bench_winpath "$genuine") bench_start_cmdline \
      "cmd /c \"cd /d $(bench_winpath "$downloads") && OrvexUtilities2011Setup /silent /logbp $(log_path main)\""
    bench_no_box extract_aidconfig1 3
    bench_wait
    expect_exit 0 "the run succeeds"
    expect_log "$BENCH_RUN/main.log" "main package's log" "${default_properties[@]}"
    read_products
    expect_main_installed "started by its bare name"
    ;;

  dialog_choose)
    # An English user's dialog over the de-DE and en-US packs: German picked, custom installation
    # ticked, Next.
    bench_start "$setup" /logbp "$(log_path main)"
    if bench_box_wait "$dialog_english" 60; then
      listing=$(bench_controls "$dialog_english")
      expect_eq 'Next >' "$(control_field "$listing" 1 7)" "the Next button in English"
      expect_eq $'#202\timage=1' "$(control_field "$listing" 1010 7-8)" "the picture shows bitmap 202"
      expect_eq $'selected=1\tDeutsch\tEnglish' "$(control_field "$listing" 1003 8-)" \
        "the packs in resource-name order, the user's English selected"
      expect_eq '1003 visible 1005 visible 1006 visible 1007 hidden 1008 hidden 1009 visible 1012 hidden' \
        "$(shown_controls "$listing")" "two packs: the list and its label, heading and advice below them"
      bench_control_select "$dialog_english" 1003 0
      if listing=$(bench_controls "$dialog_german"); then
        bench_pass "picking Deutsch changes the caption at once"
        expect_eq 'Weiter >' "$(control_field "$listing" 1 7)" "picking Deutsch: the Next button"
      else
        bench_fail "picking Deutsch changes the caption at once" "$(bench_controls "class:#32770")"
      fi
      bench_control_check "$dialog_german" 1004 1
      bench_control_click "$dialog_german" 1
    fi
    bench_wait
    expect_exit 0 "Next installs"
    read_products
    expect_packs de-DE "the chosen pack only"
    expect_main_installed "in German"
    expect_log "$BENCH_RUN/main.log" "main package's log" "ProductCode=$main_code" LANGSTRING=de-DE \
      TRANSFORMS=:de-DE TRANSFORMAPPLIED=de-DE USERDEFINST=1 UILevel=5
    if bench_wait_lines "$BENCH_URLS" 1 10; then
      expect_match "$(head -1 "$BENCH_URLS")" '/link/\?target=installhelp&errorcode=0&action=1&.*&qz_lang=de-DE&' \
        "the install-help page in the chosen language"
    else
      bench_fail "the install-help page is opened"
    fi
    ;;

  dialog_escape)
    # The list opened from the keyboard, Deutsch highlighted, the list closed with Escape. Wine's
    # list then keeps the highlighted item without a change notice: the texts must follow it, and
    # Next installs it.
    bench_start "$setup" /logbp "$(log_path main)"
    if bench_box_wait "$dialog_english" 60; then
      # Tab from Next to the list, F4 opens it, Up highlights Deutsch, Escape closes it.
      for key in 0x09 0x73 0x26 escape; do
        bench_control_key "class:#32770" "$key"
        sleep 0.5
      done
      listing=$(bench_controls "class:#32770")
      expect_eq selected=0 "$(control_field "$listing" 1003 8)" "Escape leaves Deutsch in the list"
      expect_eq "$dialog_german"$'\tWeiter >' "$(control_field "$listing" 0 7)"$'\t'"$(control_field "$listing" 1 7)" \
        "the texts are those of the language in the list"
      bench_control_click "class:#32770" 1
    fi
    bench_wait
    expect_exit 0 "Next installs"
    read_products
    expect_packs de-DE "the pack in the list"
    ;;

  dialog_one_pack)
    # Only the en-US pack: nothing to choose, the heading and advice stand higher.
    bench_start "$setup" /logbp "$(log_path main)"
    if bench_box_wait "$dialog_english" 60; then
      listing=$(bench_controls "$dialog_english")
      expect_eq '1003 hidden 1005 hidden 1006 hidden 1007 visible 1008 visible 1009 hidden 1012 hidden' \
        "$(shown_controls "$listing")" "one pack: no list and no label, heading and advice at the top"
      bench_control_click "$dialog_english" 1
    fi
    bench_wait
    expect_exit 0 "Next installs"
    read_products
    expect_packs en-US "the one pack"
    expect_main_installed "with the one pack"
    expect_log "$BENCH_RUN/main.log" "main package's log" LANGSTRING=en-US TRANSFORMS=:en-US USERDEFINST=2
    ;;

  dialog_cancel)
    # The close box and Escape ask in the language detected at the start, English here, even
    # after Deutsch was picked. No keeps the dialog as it was; Yes ends the setup.
    bench_start "$setup"
    if bench_box_wait "$dialog_english" 60; then
      bench_control_select "$dialog_english" 1003 0
      bench_control_check "$dialog_german" 1004 1
      bench_control_close "$dialog_german"
      expect_question "$dialog_english" "$english_question" "the close box asks in English"
      bench_box_press "$dialog_english" no
      listing=$(bench_controls "$dialog_german")
      expect_eq $'selected=0\tchecked=1\tWeiter >' \
        "$(control_field "$listing" 1003 8)"$'\t'"$(control_field "$listing" 1004 8)"$'\t'"$(control_field "$listing" 1 7)" \
        "No: the dialog stays with the pick, the tick and the German texts"
      bench_control_key "$dialog_german" escape
      expect_question "$dialog_english" "$english_question" "Escape asks the same"
      bench_box_press "$dialog_english" yes
    fi
    bench_wait
    expect_exit 1 "Yes ends the setup with 1"
    read_products
    expect_eq "" "$(installed_packs)" "no pack is installed"
    expect_main_absent "after the cancel"
    expect_no_version_recorded "$scenario"
    expect_no_link 2 "no earlier version: no page is opened"
    ;;

  dialog_upgrade9)
    # A German user over an installed 9.x edition: the notice panel, and the cancel question with
    # the hint, in German even after English was picked.
    bench_run msiexec /i "$(bench_winpath "$ORVEX_PACKAGES/edition_9_0_100_5.msi")" /qn
    expect_exit 0 "msiexec installs the 9.0.100.5 edition"
    bench_set_language de_DE
    bench_start "$setup"
    if bench_box_wait "$dialog_german" 60; then
      listing=$(bench_controls "$dialog_german")
      expect_eq '1003 visible 1005 visible 1006 visible 1007 hidden 1008 hidden 1009 visible 1012 visible' \
        "$(shown_controls "$listing")" "the notice panel is shown"
      expect_eq $'1013\t1012\tvisible\t#222\n1014\t1012\thidden\tIhre installierte Orvex Utilities Version wird automatisch deinstalliert.' \
        "$(awk -F'\t' '$1 == 1013 || $1 == 1014 { print $1 "\t" $2 "\t" $4 "\t" $7 }' <<<"$listing" | sort)" \
        "the icon and the German notice text are inside the panel"
      bench_control_select "$dialog_german" 1003 1
      expect_eq 'Your currently installed version of Orvex Utilities will be automatically removed.' \
        "$(control_field "$(bench_controls "$dialog_english")" 1014 7)" "picking English: the notice in English"
      bench_control_key "$dialog_english" escape
      expect_question "$dialog_german" "$german_question"$'\n\n''Sie können später wieder problemlos zu Orvex Utilities 2010 zurückkehren, indem Sie es erneut installieren.
Orvex Utilities 2011 enthält alle Funktionen der Vorversion und darüber hinaus bahnbrechende neue Funktionen.' \
        "the question in German, the hint after an empty line"
      bench_box_press "$dialog_german" yes
    fi
    bench_wait
    expect_exit 1 "Yes ends the setup with 1"
    if bench_wait_lines "$BENCH_URLS" 1 10; then
      expect_match "$(head -1 "$BENCH_URLS")" \
        "^$ORVEX_LINK_BASE/link/\\?target=cancelationduringupgrade&qz_product=${ORVEX_PRODUCT_CODE_WORD,,}&.*&qz_lang=de-DE&" \
        "the cancellation page, in German and without the version"
    else
      bench_fail "the cancellation page is opened"
    fi
    expect_eq 9.0.100.5 "$(bench_reg_query "$uninstall\\$ORVEX_EARLIER_EDITION_PRODUCT_CODE" DisplayVersion)" \
      "the 9.x edition stays installed"
    read_products
    expect_main_absent "after the cancel"
    ;;

  *)
    echo "run_installation_test.sh: unknown scenario $scenario" >&2
    exit 2
    ;;
esac

bench_done
