#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "i18n/language_texts.h"
#include "platform/process.h"

// One language pack the program carries: its row of the language table and its resource name.
struct AvailableLanguage {
  std::size_t languageIndex = 0;
  std::u16string resourceName;
};

// The packs the program carries, in resource-name order; filled once by EnumerateLanguagePacks
// and never changed afterwards. A position in this list is what the language dialog shows and
// returns.
extern std::vector<AvailableLanguage> AvailableLanguages;
// Set by the first EnumerateLanguagePacks, also when it found nothing.
extern bool languagePacksScanned;


// Scans the program's RCDATA resources named "QZLANGPACK_xx_YY" on the first call; later calls
// return at once.
void EnumerateLanguagePacks();

// The user's Windows interface language as "language-country" (for example "de-AT"), or "" when
// the system cannot name it.
std::u16string UserUiLanguageCode();

// The first position whose language code equals `code` over at most `n` characters (comparison
// stops early where both end), or -1.
std::int32_t FindAvailableLanguage(const std::u16string& code, std::size_t n);

// The user's own language and country, else the user's language in any country, else English,
// else German, else position 0. Never -1; it is 0 even when no pack is carried.
std::int32_t DefaultLanguagePosition();

// The interface language an installed earlier version recorded ("UILanguage" under
// "Software\Orvex\Utilities\<major>.0", the machine's first, then the user's), returned as
// stored; "de-DE" when there is none or no earlier version is installed.
std::u16string PreviousUiLanguage();

// Whether `text` has the form of a language code: two letters a-z, "-", two letters A-Z.
bool IsLanguageCodeForm(const std::u16string& text);

// The localized message boxes shown before the language dialog, in the default language (in
// English when no pack is carried). They return the box's answer, IDYES (6) when none is shown.
int ShowRestartRequiredMessage();

// The language of the messages shown before the dialog: the default position's, or "en-US" when
// no pack is carried.
std::u16string MessageLanguage();

// A box with the product name as caption and the text `field` of `language` formatted with `args`.
int ShowLocalizedMessage(const std::u16string& language, TextField field, const std::vector<std::u16string>& args,
                         std::uint32_t style);

// Back to the state at start: no packs, not scanned.
void ResetLanguagePacksForTesting();
