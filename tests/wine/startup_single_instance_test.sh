#!/bin/bash
# One setup at a time: while a first copy holds the mutex "Orvex2011Installer" (here a setup
# without language packs, waiting in its fatal "No language pack found" box), every second copy
# ends at once with exit code 1, whatever its arguments, and shows and prints nothing. Once the
# box is answered the first copy ends with 16389 and the mutex is free again. The same fatal box
# appears when "/supportedlang" is typed at a command prompt, and nothing is listed.
#
# Usage: startup_single_instance_test.sh SETUP-NO-PACKS SETUP-ALL
#   SETUP-NO-PACKS  carries the main package and no language pack
#   SETUP-ALL       the shipped setup: the main package and every language pack
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test.

source "$(dirname "$0")/bench.sh"

if (($# != 2)); then
  echo "usage: $0 SETUP-NO-PACKS SETUP-ALL" >&2
  exit 2
fi
setup_no_packs=$1
setup_all=$2

# A fatal box has no caption of its own: the system's, "Error" for an English user. Its text is
# the message directly followed by the system's text for 16389 (E_FAIL's low 16 bits); Wine has
# no such message, so the digits follow.
fatal_caption=Error
no_pack_text="No language pack found16389"
# Long enough for a slow start, short enough that a second copy that was let through and now
# waits in a window does not hold the test up for long.
second_copy_timeout=30

# in_background NAME BENCH-COMMAND ARGS...: runs bench_run or bench_console in a background
# subshell with its own scratch folder, so that this shell can read and answer the program's
# boxes and start other programs meanwhile. background_result then waits for it and sets
# BENCH_EXIT and BENCH_OUTPUT.
in_background() {
  local name=$1
  shift
  background_folder=$BENCH_RUN/$name
  mkdir -p "$background_folder"
  (
    BENCH_RUN=$background_folder
    "$@"
    printf '%s' "$BENCH_EXIT" >"$BENCH_RUN/exit-code"
    printf '%s' "$BENCH_OUTPUT" >"$BENCH_RUN/output"
  ) &
  background_pid=$!
}

background_result() {
  wait "$background_pid"
  BENCH_EXIT=$(cat "$background_folder/exit-code" 2>/dev/null)
  BENCH_OUTPUT=$(cat "$background_folder/output" 2>/dev/null; printf x)
  BENCH_OUTPUT=${BENCH_OUTPUT%x}
}

# second_copy PROGRAM ARGS...: started from Explorer while the first copy runs.
second_copy() {
  local arguments=${*:2}
  BENCH_RUN_TIMEOUT=$second_copy_timeout bench_run "$@"
  expect_exit 1 "second copy, ${arguments:-no arguments}: exit code 1"
}

bench_prefix --display
bench_set_language en_US

in_background first bench_run "$setup_no_packs" /supportedlang
expect_box "$fatal_caption" "$no_pack_text" "no pack carried: the fatal box names the missing packs and E_FAIL"
expect_eq $'1\tOK' "$(bench_box_buttons "$fatal_caption")" "the fatal box has one OK button"
windows_before=$(bench_boxes)

# Each of these would run on without the guard: the language dialog, the shell restart, a second
# fatal box, the normal run past "/x"; at a prompt, the refusal of "/x" or the list of languages.
second_copy "$setup_all"
second_copy "$setup_all" --force-shell-restart
second_copy "$setup_no_packs" /supportedlang
second_copy "$setup_all" /x
for arguments in /x /supportedlang --force-shell-restart; do
  BENCH_RUN_TIMEOUT=$second_copy_timeout bench_console "$setup_all" "$arguments"
  expect_exit 1 "second copy at a prompt, $arguments: exit code 1"
  expect_eq "" "$BENCH_OUTPUT" "second copy at a prompt, $arguments: prints nothing"
done
expect_eq "$windows_before" "$(bench_boxes)" "the second copies opened no window"

bench_box_press "$fatal_caption" ok
background_result
expect_exit 16389 "no pack carried: OK ends the first copy with E_FAIL's low 16 bits"

# The mutex went with the first copy: the next copy runs and refuses "/x" at the prompt.
bench_console "$setup_all" /x
expect_exit 0 "after the first copy: a new copy runs (exit code 0)"
expect_eq $'\n\nParameter "/x" is not supported!\n' "$BENCH_OUTPUT" "after the first copy: a new copy answers at the prompt"

# "/supportedlang" at a prompt with no pack carried: the same fatal box, and no list.
in_background console bench_console "$setup_no_packs" /supportedlang
expect_box "$fatal_caption" "$no_pack_text" "at a prompt, no pack carried: the same fatal box"
bench_box_press "$fatal_caption" ok
background_result
expect_exit 16389 "at a prompt, no pack carried: exit code 16389"
expect_eq "" "$BENCH_OUTPUT" "at a prompt, no pack carried: nothing is printed"

bench_done
