#!/bin/bash
# The language dialog's template as the shipped setup carries it, shown by a probe with a minimal
# procedure: the controls it makes (ids, classes, which are hidden), and what the bench's control
# helpers send to it (a pick in the language list, the check box, Next, the close box).
#
# Usage: languages_dialog_template_test.sh DIALOG-PROBE SETUP-EXE
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test.

if (($# != 2)); then
  echo "usage: $0 DIALOG-PROBE SETUP-EXE" >&2
  exit 2
fi
probe=$1
setup=$2
source "$(dirname "$0")/bench.sh"

caption="Orvex Utilities 2011 Installation"
bench_prefix --display
log=$BENCH_RUN/dialog.log

# Fields 1 to 4 of every control: id, parent, class, visibility. The list's inner combo box is
# the ComboBoxEx32's own child.
expected_controls=$'0\t0\t#32770\tvisible
1010\t0\tStatic\tvisible
1\t0\tButton\tvisible
1003\t0\tComboBoxEx32\tvisible
1003\t1003\tComboBox\tvisible
1004\t0\tButton\tvisible
1005\t0\tStatic\tvisible
1006\t0\tStatic\tvisible
1007\t0\tStatic\tvisible
1008\t0\tStatic\tvisible
1009\t0\tStatic\tvisible
1012\t0\tStatic\thidden
1013\t0\tStatic\thidden
1014\t0\tStatic\thidden'

bench_start "$probe" "$(bench_winpath "$setup")" "$(bench_winpath "$log")"
if bench_box_wait "$caption"; then
  listing=$(bench_controls "$caption")
  expect_eq "$expected_controls" "$(cut -f1-4 <<<"$listing")" "the template's controls"
  expect_eq $'1\tNext >' "$(awk -F'\t' '$1 == 1 { print $1 "\t" $7 }' <<<"$listing")" \
    "the Next button"
  expect_eq $'1010\t#202\timage=1\n1013\t#222\timage=1' \
    "$(awk -F'\t' '$1 == 1010 || $1 == 1013 { print $1 "\t" $7 "\t" $8 }' <<<"$listing")" \
    "the pictures load bitmaps 202 and 222 from the setup"
  expect_eq $'selected=0\tDansk\tDeutsch\tEnglish' \
    "$(awk -F'\t' '$3 == "ComboBoxEx32" { print $8 "\t" $9 "\t" $10 "\t" $11 }' <<<"$listing")" \
    "the language list's items and selection"

  bench_control_select "$caption" 1003 2
  bench_control_check "$caption" 1004
  listing=$(bench_controls "$caption")
  expect_eq "selected=2" "$(awk -F'\t' '$3 == "ComboBoxEx32" { print $8 }' <<<"$listing")" \
    "the list shows the picked item"
  expect_eq "checked=1" "$(awk -F'\t' '$1 == 1004 { print $8 }' <<<"$listing")" \
    "the check box is ticked"
  bench_control_click "$caption" 1
fi
bench_wait
expect_exit 0 "Next ends the dialog"
expect_eq "command 1003 9 selection 2
command 1003 8 selection 2
command 1003 1 selection 2
command 1004 0 checked 1
command 1 0
end next selection 2 checked 1" "$(cat "$log" 2>/dev/null)" "the dialog saw the pick, the tick and Next"

rm -f "$log"
bench_start "$probe" "$(bench_winpath "$setup")" "$(bench_winpath "$log")"
bench_box_wait "$caption" && bench_control_close "$caption"
bench_wait
expect_exit 0 "the close box ends the dialog"
expect_eq $'command 2 0\nend cancel' "$(cat "$log" 2>/dev/null)" "the close box sends IDCANCEL"

bench_done
