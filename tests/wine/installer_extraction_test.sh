#!/bin/bash
# Package extraction under Wine with real package resources: the main package in its hidden,
# system-attributed folder under the common application data folder; a later run that refuses
# that folder, because it belongs to the user's account and not to the owner an elevated token
# gives (Wine keeps no owners: every file reads as the user's, so a folder an earlier run made
# looks like one the user's unelevated program made), and uses the per-user folder; there, the
# file an earlier run left rewritten, and a tick-count name while another program holds that file
# open; a language pack in a new temporary file; a missing pack ending the process with the
# "ResExportToFile" box.
#
#   installer_extraction_test.sh EXTRACTION_PROBE MAIN_MSI LANGPACK_EN_US_MSI

source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

probe=$1
main_msi=$2
pack_msi=$3

folder_name=$ORVEX_INSTALLER_PRODUCT_CODE
file_name=${ORVEX_MAIN_PACKAGE_FILE%.msi}

bench_prefix --display
report=$BENCH_RUN/report.txt
win_report=$(bench_winpath "$report")

# Runs the probe with one command and leaves its report lines in $lines.
probe_run() {
  rm -f "$report"
  bench_run "$probe" "$win_report" "$@"
  lines=$(cat "$report" 2>/dev/null)
}

# The value of the first "key=" line of $lines.
value() { sed -n "s/^$1=//p" <<<"$lines" | head -n 1; }

# The Linux path of a C: path in the prefix (Wine's folders keep the case they were made with).
unix_path() {
  local path=${1#[Cc]:\\}
  printf '%s/drive_c/%s' "$BENCH_PREFIX" "${path//\\//}"
}

same_bytes() { cmp -s "$1" "$2"; }

win_folder="C:\\ProgramData\\$folder_name"
win_main="$win_folder\\$file_name.msi"
main_file=$(unix_path "$win_main")

# First extraction: the folder is made, hidden and system; the file holds the package exactly.
probe_run main
expect_exit 0 "main package extracted"
expect_eq "$win_main" "$(value path)" "main package path"
if same_bytes "$main_msi" "$main_file"; then
  bench_pass "the written file is the package, byte for byte"
else
  bench_fail "the written file is the package, byte for byte" "$(ls -l "$main_file" "$main_msi" 2>&1)"
fi
probe_run attributes "$win_folder"
expect_eq $((0x16)) "$(($(printf '0x%s' "$(value attributes)") & 0x16))" "the folder is a hidden, system folder"

# A later run refuses the all-users folder and writes to the per-user one, leaving the first
# file as it was.
first_written=$(stat -c %Y.%s "$main_file")
win_folder="C:\\users\\$(id -un)\\AppData\\Roaming\\$folder_name"
win_main="$win_folder\\$file_name.msi"
probe_run main
expect_exit 0 "a later run extracts"
expect_eq "$win_main" "$(value path)" "a later run uses the per-user folder"
expect_eq "$first_written" "$(stat -c %Y.%s "$main_file")" "the refused folder's file is left as it was"
main_file=$(unix_path "$win_main")

# Another run finds the earlier file (grown meanwhile, and a cleared folder): the file is rewritten
# to exactly the package, and the folder is hidden again.
head -c 3000000 /dev/urandom >>"$main_file"
probe_run plain "$win_folder"
probe_run attributes "$win_folder"
expect_eq 0 "$(($(printf '0x%s' "$(value attributes)") & 0x6))" "the folder's attributes were cleared"
check_numbered() {
  local path number before after stem="$win_folder\\${file_name}_"
  path=$(value path)
  read -r before after <<<"$(value ticks)"
  number=${path#"$stem"}
  number=${number%.msi}
  if [[ $path == "$stem$number.msi" && $number =~ ^(0|[1-9][0-9]*)$ ]]; then
    bench_pass "$1: the next name is the base name, \"_\", a number and \".msi\": $path"
    if ((before <= number && number <= after)); then
      bench_pass "$1: the number is the tick count ($before <= $number <= $after)"
    else
      bench_fail "$1: the number is the tick count" "ticks $before..$after, number $number"
    fi
    if same_bytes "$main_msi" "$(unix_path "$path")"; then
      bench_pass "$1: the numbered file is the package"
    else
      bench_fail "$1: the numbered file is the package"
    fi
  else
    bench_fail "$1: the next name is the base name, \"_\", a number and \".msi\"" "path: $path"
  fi
}
probe_run main
expect_exit 0
expect_eq "$win_main" "$(value path)" "an earlier file at the name: the same name"
if same_bytes "$main_msi" "$main_file"; then
  bench_pass "the earlier file was rewritten to the package"
else
  bench_fail "the earlier file was rewritten to the package" "$(ls -l "$main_file" "$main_msi" 2>&1)"
fi
probe_run attributes "$win_folder"
expect_eq 6 "$(($(printf '0x%s' "$(value attributes)") & 0x6))" "hidden and system are set again"

# The usual file held open without sharing by another program: the package goes to the next name,
# which carries the tick count.
probe_run main-locked "$win_main"
expect_exit 0 "extraction beside a locked file"
expect_match "$(value held)" '^1 ' "the probe holds the main package's file"
check_numbered "a locked file at the name"
if same_bytes "$main_msi" "$main_file"; then
  bench_pass "the held file was left as it was"
else
  bench_fail "the held file was left as it was"
fi

# A language pack: a new QZM*.tmp file in the temporary-files folder.
probe_run pack QZLANGPACK_EN_US
expect_exit 0 "language pack extracted"
pack_path=$(value path)
expect_match "$pack_path" '^C:\\.*\\QZM[0-9A-Fa-f]{1,4}\.tmp$' "the pack lands in a QZM*.tmp file"
pack_file=$(unix_path "$pack_path")
if same_bytes "$pack_msi" "$pack_file"; then
  bench_pass "the temporary file holds the pack"
else
  bench_fail "the temporary file holds the pack" "$(ls -l "$pack_file" 2>&1)"
fi
temp_dir=$(dirname "$pack_file")
probe_run pack QZLANGPACK_EN_US
expect_ne "$pack_path" "$(value path)" "every pack gets a new file"
count_before=$(find "$temp_dir" -maxdepth 1 -name 'QZM*.tmp' | wc -l)

# A pack the program does not carry: the fatal box, the not-found error's low 16 bits as exit code,
# and no temporary file stays behind (the name's empty file is removed before the pack is written).
probe_run message 1814
not_found_text=$(printf '%s' "$(value message)" | sed -e 's/\\r/\r/g' -e 's/\\n/\n/g'; printf x)
not_found_text=${not_found_text%x}
bench_start "$probe" "$win_report" pack QZLANGPACK_XX_YY
expect_box Error "ResExportToFile$not_found_text" "the missing pack's box names ResExportToFile"
bench_box_press Error ok
bench_wait
expect_exit 1814 "exit code is the low 16 bits of ERROR_RESOURCE_NAME_NOT_FOUND"
expect_eq "$count_before" "$(find "$temp_dir" -maxdepth 1 -name 'QZM*.tmp' | wc -l)" \
  "the failed pack left no temporary file"

# The common application data folder unusable (it names a drive that does not exist): the
# package goes to the same folder under the user's roaming application data instead.
bench_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
  /v 'Common AppData' /t REG_EXPAND_SZ /d 'Q:\nowhere' /f
bench_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
  /v 'Common AppData' /d 'Q:\nowhere' /f
probe_run main
expect_exit 0 "extraction with the common folder unusable"
expect_eq "C:\\users\\$(id -un)\\AppData\\Roaming\\$folder_name\\$file_name.msi" "$(value path)" \
  "the per-user folder is used"
per_user_file=$(unix_path "$(value path)")
expect_file "$per_user_file"
same_bytes "$main_msi" "$per_user_file" && bench_pass "the per-user file holds the package" ||
  bench_fail "the per-user file holds the package"

bench_done
