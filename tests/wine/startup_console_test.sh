#!/bin/bash
# The console answers of the real setup. Typed at a command prompt, the first argument that
# begins with "/" and is no option is refused, lower-cased, and the setup ends with 0 before
# anything is installed; options to its left have been read, arguments to its right have not.
# Started from Explorer (no console to attach to) the same argument is passed over and the
# normal run goes on. "/supportedlang" without any pack carried is fatal either way.
#
# Usage: startup_console_test.sh SETUP-ALL SETUP-NO-PACKS
#   SETUP-ALL       the shipped setup: the main package and every language pack
#   SETUP-NO-PACKS  carries the main package and no language pack
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test. No display: a message box returns at
# once, so a run that reaches a fatal error ends with its exit code.

source "$(dirname "$0")/bench.sh"

if (($# != 2)); then
  echo "usage: $0 SETUP-ALL SETUP-NO-PACKS" >&2
  exit 2
fi
setup_all=$1
setup_no_packs=$2

# The Uninstall entries and the product's folders: what any installation would add to.
installed_state() {
  wine reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' 2>/dev/null | tr -d '\r' | sed '/^$/d' | sort
  (cd "$BENCH_PREFIX/drive_c" && find 'Program Files (x86)/Orvex' 'Program Files/Orvex' 2>/dev/null | sort)
}

# expect_refusal REFUSED ARGS...: typed at a prompt, the setup prints the refusal of REFUSED (the
# console's line break first) and ends with 0.
expect_refusal() {
  local refused=$1
  shift
  bench_console "$setup_all" "$@"
  expect_exit 0 "at a prompt, $*: exit code 0"
  expect_eq $'\n\nParameter "'"$refused"$'" is not supported!\n' "$BENCH_OUTPUT" "at a prompt, $*: refuses $refused"
}

bench_prefix
bench_set_language en_US
state_before=$(installed_state)

expect_refusal /x /x
expect_refusal /x /X
expect_refusal "/x y" "/X Y"
expect_refusal /foo /foo /supportedlang
# "/silent" to the left is read; without the refusal a silent installation would follow.
expect_refusal /x /silent /X
expect_refusal /x /x /silent
expect_refusal /x /x /y
# Beside another argument the shell-restart switch is passed over like any argument.
expect_refusal /x --force-shell-restart /x
# Values keep their case, but the refused argument is lower-cased.
expect_refusal /unknown /language DE-de /Unknown
# A value never begins with "/": after "/language" and after the properties "/x" stands alone.
expect_refusal /x /language /x
expect_refusal /x /lpprops A=1 B=2 /X

# Listed before the loop reaches an unknown argument to its right.
bench_console "$setup_all" /supportedlang /foo
expect_exit 0 "at a prompt, /supportedlang /foo: exit code 0"
listing=$'\n\nSupported languages:\n'
# Every language, in the order of the pack resources' names (QZLANGPACK_DA_DK, ...).
for code in $(printf '%s\n' "${ORVEX_LANGUAGE_CODES[@]}" | LC_ALL=C sort); do
  listing+="- $code"$'\n'
done
expect_eq "$listing" "$BENCH_OUTPUT" "at a prompt, /supportedlang /foo: lists and never refuses /foo"

# No pack carried. At a prompt "/x" is still refused: the refusal comes before any pack is looked
# for. From Explorer it is passed over, and the run ends in the fatal "No language pack found"
# (E_FAIL: 16389) of the language choice, not with 0.
bench_console "$setup_no_packs" /x
expect_exit 0 "no pack, at a prompt, /x: exit code 0"
expect_eq $'\n\nParameter "/x" is not supported!\n' "$BENCH_OUTPUT" "no pack, at a prompt, /x: refused"
bench_run "$setup_no_packs" /x
expect_exit 16389 "no pack, from Explorer, /x: passed over, the run ends without a pack"
bench_run "$setup_no_packs" /X /y
expect_exit 16389 "no pack, from Explorer, /X /y: both passed over, the run ends without a pack"

# "/supportedlang" with no pack: fatal with and without a console, and nothing listed.
bench_run "$setup_no_packs" /supportedlang
expect_exit 16389 "no pack, from Explorer, /supportedlang: exit code 16389"
bench_console "$setup_no_packs" /supportedlang
expect_exit 16389 "no pack, at a prompt, /supportedlang: exit code 16389"
expect_eq "" "$BENCH_OUTPUT" "no pack, at a prompt, /supportedlang: nothing is printed"

state_after=$(installed_state)
expect_eq "$state_before" "$state_after" "nothing was installed"
expect_not_contains "$state_after" "$ORVEX_INSTALLER_PRODUCT_CODE" "the product is not installed"

bench_done
