#include "i18n/language_table.h"

#include <iterator>
#include <utility>

namespace {

// The row of language index `index`, from the product data.
constexpr LanguageEntry Row(std::size_t index) {
  LanguageEntry entry{{}, kLanguageDisplayNames[index], kLanguageFlagBitmapIds[index]};
  const char16_t* code = kLanguageCodes[index];
  for (std::size_t i = 0; i + 1 < std::size(entry.code) && code[i] != u'\0'; ++i) entry.code[i] = code[i];
  return entry;
}

template <std::size_t... Index>
constexpr std::array<LanguageEntry, kLanguageCount> Rows(std::index_sequence<Index...>) {
  return {Row(Index)...};
}

}  // namespace

constinit const std::array<LanguageEntry, kLanguageCount> kLanguages = Rows(std::make_index_sequence<kLanguageCount>());
