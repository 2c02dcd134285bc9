#!/bin/bash
# Pictures of the language dialog for the documentation, taken under Wine with Xvfb:
#
#   dialog-<code>.png   the shipped setup's dialog with that language picked in the list (14)
#   dialog-one-pack.png a setup that carries only the en-US pack: no list, no label
#   dialog-upgrade.png  over an installed 9.0.100.5 edition: the notice that it will be removed
#
#   tools/screenshots.sh [OUTPUT-FOLDER]     (default: docs/screenshots)
#
# Needs the win32 build (cmake --build --preset win32) and the fonts of
# tools/install-prerequisites.sh. The prefix links the interface fonts to WenQuanYi Micro Hei,
# so that Chinese, Japanese and Korean texts show as glyphs.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/win32
output=${1:-$root/docs/screenshots}
setup_all=$build/OrvexUtilities2011Setup.exe
setup_one=$build/tests/wine/run/run_en_us.exe
edition=$build/packages/edition_9_0_100_5.msi
for file in "$setup_all" "$setup_one" "$edition" "$build/tests/wine/tools/controls.exe"; do
  if [[ ! -f $file ]]; then
    echo "screenshots.sh: $file is missing; build with: cmake --build --preset win32" >&2
    exit 2
  fi
done
export BENCH_TOOLS=$build/tests/wine/tools BENCH_WORK=$build/wine-work ORVEX_PRODUCT_ENV=$build/product.env
BENCH_NAME=screenshots
source "$root/tests/wine/bench.sh"

codes=("${ORVEX_LANGUAGE_CODES[@]}")
english_caption="Orvex Utilities 2011 Installation"
mkdir -p "$output"

# shoot FILE: the dialog alone, cut out of the screen (Xvfb's black around it is trimmed).
shoot() {
  sleep 0.5  # the redraw after a change of language
  import -display "$DISPLAY" -window root "$BENCH_RUN/screen.png" &&
    convert "$BENCH_RUN/screen.png" -trim +repage "$1" &&
    bench_pass "$(basename "$1")"
}

# finish WINDOW: the close box, then Yes in the cancel question: nothing is installed.
finish() {
  bench_control_close "$1"
  bench_box_press "$english_caption" yes
  bench_wait
  expect_exit 1 "the cancelled dialog ends the setup with 1"
}

bench_prefix --display
bench_font_links

bench_start "$setup_all"
if bench_box_wait "$english_caption" 60; then
  for index in "${!codes[@]}"; do
    bench_control_select "class:#32770" 1003 "$index"
    shoot "$output/dialog-${codes[$index]}.png"
  done
  finish "class:#32770"
fi

bench_start "$setup_one"
if bench_box_wait "$english_caption" 60; then
  shoot "$output/dialog-one-pack.png"
  finish "$english_caption"
fi

bench_run msiexec /i "$(bench_winpath "$edition")" /qn
expect_exit 0 "msiexec installs the 9.0.100.5 edition"
bench_start "$setup_all"
if bench_box_wait "$english_caption" 60; then
  shoot "$output/dialog-upgrade.png"
  finish "$english_caption"
fi

bench_done
