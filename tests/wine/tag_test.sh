#!/bin/bash
# The affiliate tag under Wine. A setup whose tag cannot be read warns with the stage that
# failed and goes on; the signed and stamped executables start without a warning. The variants
# carry no language packs, so "/supportedlang" ends each run with the fatal "No language pack
# found" box: reaching it shows that the program went on after the warning.
#
# tag_test.sh DEFAULT UNSIGNED UNTAGGED STAMPED STAMP-TOOL CERTIFICATE OSSLSIGNCODE
set -u
default=$1 unsigned=$2 untagged=$3 stamped=$4 stamp_tool=$5 certificate=$6 osslsigncode=$7
source "$(dirname "${BASH_SOURCE[0]}")/bench.sh"

warning='No AID Config found.  Using default values.'
default_tag=$ORVEX_DEFAULT_AFFILIATE_TAG

# The files: the signatures verify with the tag behind them, and the tag is where the reader
# looks for it.
for exe in "$default" "$stamped" "$untagged"; do
  if "$osslsigncode" verify -CAfile "$certificate" -in "$exe" >/dev/null 2>&1; then
    bench_pass "the signature of $(basename "$exe") verifies"
  else
    bench_fail "the signature of $(basename "$exe") verifies"
  fi
done
for exe in "$default" "$stamped"; do
  expect_eq "$default_tag" "$("$stamp_tool" --read "$exe" 2>&1)" "$(basename "$exe") carries the default tag"
done
"$stamp_tool" --read "$untagged" >/dev/null 2>&1
expect_eq 9 "$?" "the signed, untagged variant carries no tag"
"$stamp_tool" --read "$unsigned" >/dev/null 2>&1
expect_eq 4 "$?" "the unsigned variant is not signed"

bench_prefix --display

# ends_with_the_fatal_box: the run went on to "/supportedlang"; answers the box and waits.
ends_with_the_fatal_box() {
  local text
  bench_box_wait Error || return 1
  text=$(bench_box_text Error)
  expect_contains "$text" "No language pack found" "$1 went on to the next step"
  expect_not_contains "$(bench_boxes)" extract_aidconfig "$1 shows no tag warning any more"
  bench_box_press Error ok
  bench_wait
}

for exe in "$unsigned" "$untagged"; do
  name=$(basename "$exe")
  bench_start "$exe" /supportedlang
  expect_box extract_aidconfig2 "$warning" "$name warns that it found no tag"
  bench_box_press extract_aidconfig2 ok
  ends_with_the_fatal_box "$name"
  expect_exit 16389
done

# Stamped: the first box is the fatal one.
bench_start "$stamped" /supportedlang
ends_with_the_fatal_box "$(basename "$stamped")"
expect_exit 16389

# Started by a name without ".exe" from its own folder, argument 0 names no file; the setup reads
# its own file all the same.
folder=$BENCH_RUN/by-name
mkdir -p "$folder"
cp "$stamped" "$folder/OrvexUtilities2011Setup.exe"
bench_start_cmdline "cmd /c \"cd /d $(bench_winpath "$folder") && OrvexUtilities2011Setup /supportedlang\""
ends_with_the_fatal_box "the setup started by its bare name"

# The default executable, from a console with an option it refuses: it answers and ends at once,
# so no box held it up.
BENCH_RUN_TIMEOUT=30 bench_console "$default" /x
expect_exit 0
expect_contains "$BENCH_OUTPUT" 'Parameter "/x" is not supported!' "the default executable starts without a warning"

bench_done
