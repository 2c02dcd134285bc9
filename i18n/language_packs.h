#pragma once
#include <cstddef>
#include <string>
#include <vector>

// One language pack the program carries: its row of the language table and its resource name.
struct AvailableLanguage {
  std::size_t languageIndex = 0;
  std::u16string resourceName;
};

// The packs the program carries, in resource-name order; filled once by EnumerateLanguagePacks.
extern std::vector<AvailableLanguage> AvailableLanguages;

void EnumerateLanguagePacks();

// The localized message boxes shown before the language dialog, in the default language.
int ShowRestartRequiredMessage();
int ShowInstalledProductMessage(const std::u16string& productCode, int kind);
