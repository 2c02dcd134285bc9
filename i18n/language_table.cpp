#include "i18n/language_table.h"

#include <iterator>

namespace {

// The row of language index `index`: its code from the product data, its name and flag from here.
constexpr LanguageEntry Row(std::size_t index, const char16_t* displayName, std::uint32_t bitmapId) {
    LanguageEntry entry{{}, displayName, bitmapId};
    const char16_t* code = kLanguageCodes[index];
    for (std::size_t i = 0; i + 1 < std::size(entry.code) && code[i] != u'\0'; ++i) entry.code[i] = code[i];
    return entry;
}

}  // namespace

static_assert(kLanguageCount == 14, "a new language needs its display name and flag here");

constinit const LanguageEntry kLanguages[kLanguageCount] = {
    Row(0, u"Dansk", 205),
    Row(1, u"Deutsch", 207),
    Row(2, u"English", 215),
    Row(3, u"English", 216),
    Row(4, u"Español", 214),
    Row(5, u"Français", 206),
    Row(6, u"Italiano", 208),
    Row(7, u"日本語", 209),
    Row(8, u"한국어", 210),
    Row(9, u"Nederlands", 211),
    Row(10, u"Polski", 212),
    Row(11, u"Português", 203),
    Row(12, u"Русский", 213),
    Row(13, u"中文", 204),
};
