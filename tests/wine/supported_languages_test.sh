#!/bin/bash
# "/supportedlang" typed at a command prompt: the setup lists the language packs it carries, in
# the order of their resource names, and ends with exit code 0.
#
# Usage: supported_languages_test.sh SETUP-DE-EN SETUP-ALL SETUP-ODD-NAMES
#   SETUP-DE-EN      carries the main package and the de-DE and en-US packs
#   SETUP-ALL        carries the main package and every language pack
#   SETUP-ODD-NAMES  carries packs under the names QZLANGPACK_EN_AU, QZLANGPACK_DE_DE_1 and
#                    QZLANGPACK_FRXFR
# Needs BENCH_TOOLS and BENCH_WORK, like every Wine test.

source "$(dirname "$0")/bench.sh"

if (($# != 3)); then
  echo "usage: $0 SETUP-DE-EN SETUP-ALL SETUP-ODD-NAMES" >&2
  exit 2
fi
setup_de_en=$1
setup_all=$2
setup_odd_names=$3

bench_prefix

# Sets LISTING to the list as the program prints it: the console's line break, then the heading
# and one line per code.
listing() {
  local code
  LISTING=$'\n\nSupported languages:\n'
  for code in "$@"; do LISTING+="- $code"$'\n'; done
}

bench_console "$setup_de_en" /supportedlang
expect_exit 0 "de-DE and en-US: exit code 0"
listing de-DE en-US
expect_eq "$LISTING" "$BENCH_OUTPUT" "de-DE and en-US: listed in resource-name order"

bench_console "$setup_all" /supportedlang
expect_exit 0 "all packs: exit code 0"
# Every language, in the order of the pack resources' names (QZLANGPACK_DA_DK, ...).
listing $(printf '%s\n' "${ORVEX_LANGUAGE_CODES[@]}" | LC_ALL=C sort)
expect_eq "$LISTING" "$BENCH_OUTPUT" "all packs: every language in resource-name order"

# A name of a language the table does not know and a name of the wrong length are passed over;
# the 14th character of a name is not examined.
bench_console "$setup_odd_names" /supportedlang
expect_exit 0 "odd names: exit code 0"
listing fr-FR
expect_eq "$LISTING" "$BENCH_OUTPUT" "odd names: only QZLANGPACK_FRXFR counts, as fr-FR"

bench_done
