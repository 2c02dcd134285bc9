#!/usr/bin/env bash
# Adds a 15th language to a scratch copy of the sources exactly as the README's "Adding a language"
# steps do (a row in cmake/product.cmake and a texts row; the flag drawing is the Windows build's),
# builds the host tests there and runs them: every list, count and expectation must follow the row.
#   added_language_check.sh SOURCE-DIR SCRATCH-DIR
set -euo pipefail
source_dir=$1 scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/src"
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$scratch/src" -xf -
cd "$scratch/src"

row='  "sv-SE|Svenska|{0D5A6C1E-3B7F-4E2A-9C41-8F2B7D6E5A13}|1053|217|kSwedish"'
sed -i "/^set(ORVEX_LANGUAGES\$/,/)\$/ s/)\$/\n$row)/" cmake/product.cmake
sed -i 's|^// Each language.s row, by language index|constexpr TextRow kSwedish = kEnglish;\n\n&|' i18n/language_texts.cpp
grep -qF "$row" cmake/product.cmake || { echo "the row was not added to cmake/product.cmake" >&2; exit 1; }
grep -q '^constexpr TextRow kSwedish' i18n/language_texts.cpp || { echo "the texts were not added" >&2; exit 1; }

cmake -S . -B "$scratch/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=OFF >/dev/null
grep -q 'kLanguageCount = 15;' "$scratch/build/generated/base/product_data.h" ||
  { echo "the generated product data does not count 15 languages" >&2; exit 1; }
cmake --build "$scratch/build"
ctest --test-dir "$scratch/build" --output-on-failure -j2 -E '^added_language$'
